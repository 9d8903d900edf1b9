#include "app/window_class_handshake.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <cctype>

namespace vornel {

namespace {

// How often a waiting start looks for the holder's window again.
constexpr DWORD PollMs = 50;

// The class name that a newer instance looks for: the tray form's, in any case.
std::string searchedName(std::string name) {
    if (!name.empty()) name[0] = char(std::tolower(static_cast<unsigned char>(name[0])));
    return name;
}

DWORD remaining(const QDeadlineTimer& deadline) {
    return DWORD(std::max<qint64>(0, deadline.remainingTime()));
}

} // namespace

WindowClassHandshake::WindowClassHandshake(std::string className, std::string mutexName)
    : className_(std::move(className)), mutexName_(std::move(mutexName)) {}

// The mutex goes last, once this instance has done everything it does on its
// way out: the newer one waits for it.
WindowClassHandshake::~WindowClassHandshake() {
    stopListening();
    if (ownsMutex_) ReleaseMutex(mutex_);
    if (mutex_) CloseHandle(mutex_);
}

bool WindowClassHandshake::takeMutex(DWORD waitMs) {
    if (ownsMutex_) return true;
    if (!mutex_) mutex_ = CreateMutexA(nullptr, FALSE, mutexName_.c_str());
    if (!mutex_) return false;
    const DWORD waited = WaitForSingleObject(mutex_, waitMs);
    ownsMutex_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    return ownsMutex_;
}

// The bound is how long one holder may keep the mutex without ending: it
// starts afresh whenever another holder's window shows and after each holder
// has answered, so that starts made at once hand over one by one, however
// many. The wait goes in short steps, to see the next holder's window show.
// SendMessageA would wait for ever on a holder that hangs.
EarlierInstance WindowClassHandshake::closeEarlierInstance(std::chrono::milliseconds timeout) {
    if (takeMutex(0)) return EarlierInstance::None;
    // The name exists but is not ours to open: an instance started with
    // other rights holds it (or something else took the name), and would
    // find no trace of this one.
    if (!mutex_) return EarlierInstance::OutOfReach;
    QDeadlineTimer deadline(timeout);
    HWND asked = nullptr;
    while (!takeMutex(0)) {
        // The holder may still be starting, its window not made yet.
        HWND holder = FindWindowA(searchedName(className_).c_str(), nullptr);
        if (holder && holder != asked) {
            asked = holder;
            deadline.setRemainingTime(timeout);
            DWORD_PTR result = 0;
            if (SendMessageTimeoutA(holder, WM_CLOSE, 0, 0, SMTO_NORMAL, remaining(deadline),
                                    &result))
                deadline.setRemainingTime(timeout);
        }
        if (deadline.hasExpired()) return EarlierInstance::StillRunning;
        takeMutex(std::min(PollMs, remaining(deadline)));
    }
    return EarlierInstance::Closed;
}

bool WindowClassHandshake::listen(std::function<void()> close) {
    if (!ownsMutex_) return false;
    close_ = std::move(close);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className_.c_str();
    RegisterClassA(&windowClass);
    // A top-level window (not a message-only one, which FindWindowA skips),
    // never shown.
    window_ = CreateWindowExA(WS_EX_TOOLWINDOW, className_.c_str(), "", WS_POPUP, 0, 0, 0, 0,
                              nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window_) return false;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

void WindowClassHandshake::stopListening() {
    if (!window_) return;
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    window_ = nullptr;
}

// The newer instance stays blocked in its send until this returns, so it
// loads the settings that close has just saved.
LRESULT CALLBACK WindowClassHandshake::windowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    auto* self = reinterpret_cast<WindowClassHandshake*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message != WM_CLOSE || !self) return DefWindowProcA(window, message, wParam, lParam);
    std::function<void()> close = std::move(self->close_);
    self->stopListening();
    if (close) close();
    return 0;
}

std::unique_ptr<InstanceHandshake> makeSystemHandshake() {
    return std::make_unique<WindowClassHandshake>();
}

} // namespace vornel
