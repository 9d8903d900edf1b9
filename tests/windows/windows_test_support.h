#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QThread>
#include <functional>
#include <string>
#include <windows.h>

namespace vornel::test {

// Waits for a condition while this thread's messages are handled. Under Wine
// on a loaded machine windows appear late: the limit is generous.
inline bool waitUntil(const std::function<bool()>& done, int ms = 20000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    return true;
}

// The visible top-level window of a process, the first found.
inline HWND windowOf(const QProcess& p) {
    struct Search {
        ::DWORD process;
        HWND found = nullptr;
    } search{::DWORD(p.processId())};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            ::DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->process || !IsWindowVisible(window)) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A plain top-level Win32 window of this process, shown, with a UTF-8 title;
// closing it (WM_CLOSE) destroys it as any window does.
class NativeWindow {
public:
    explicit NativeWindow(const std::string& title, RECT rect = {100, 100, 500, 400}) {
        static const wchar_t* className = [] {
            WNDCLASSW c{};
            c.lpfnWndProc = DefWindowProcW;
            c.hInstance = GetModuleHandleW(nullptr);
            c.lpszClassName = L"VornelTestWindow";
            RegisterClassW(&c);
            return L"VornelTestWindow";
        }();
        const std::wstring wide = QString::fromStdString(title).toStdWString();
        window_ = CreateWindowExW(0, className, wide.c_str(), WS_OVERLAPPEDWINDOW, rect.left,
                                  rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(window_, SW_SHOWNORMAL);
    }
    ~NativeWindow() {
        if (IsWindow(window_)) DestroyWindow(window_);
    }
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;

    HWND hwnd() const { return window_; }
    uint32_t handle() const { return uint32_t(reinterpret_cast<uintptr_t>(window_)); }

private:
    HWND window_ = nullptr;
};

// The user's short date picture set for one test and put back after; the
// programs started meanwhile take it over too.
class UserShortDate {
public:
    explicit UserShortDate(const wchar_t* picture) {
        GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, saved_, 96);
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture);
    }
    ~UserShortDate() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, saved_); }
    UserShortDate(const UserShortDate&) = delete;
    UserShortDate& operator=(const UserShortDate&) = delete;

private:
    wchar_t saved_[96] = {};
};

} // namespace vornel::test
