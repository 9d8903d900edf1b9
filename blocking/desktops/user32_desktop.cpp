#include "blocking/desktops/user32_desktop.h"

#include <cstring>
#include <vector>
#include <windows.h>

namespace vornel {

namespace {

HWND toHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<int32_t>(window)));
}

WindowHandle fromHwnd(HWND window) {
    return static_cast<WindowHandle>(reinterpret_cast<ULONG_PTR>(window));
}

} // namespace

std::string utf8Prefix(const wchar_t* text, int length, int maxBytes) {
    std::string out;
    for (int i = 0; i < length; ++i) {
        // A surrogate pair is one character of four bytes.
        int units =
            (IS_HIGH_SURROGATE(text[i]) && i + 1 < length && IS_LOW_SURROGATE(text[i + 1])) ? 2 : 1;
        char bytes[4];
        int n =
            WideCharToMultiByte(CP_UTF8, 0, text + i, units, bytes, sizeof bytes, nullptr, nullptr);
        if (n <= 0 || int(out.size()) + n > maxBytes) break;
        out.append(bytes, std::size_t(n));
        i += units - 1;
    }
    return out;
}

WindowHandle User32Desktop::GetWindow(WindowHandle from, unsigned command) {
    if (command == GW_HWNDFIRST) {
        // Our own window is one of the top-level windows; without it, the
        // first of the desktop's children is the same window.
        HWND first = from ? ::GetWindow(toHwnd(from), GW_HWNDFIRST) : nullptr;
        return fromHwnd(first ? first : ::GetTopWindow(nullptr));
    }
    return fromHwnd(::GetWindow(toHwnd(from), command));
}

bool User32Desktop::IsWindowVisible(WindowHandle window) {
    return ::IsWindowVisible(toHwnd(window));
}

bool User32Desktop::IsIconic(WindowHandle window) {
    return ::IsIconic(toHwnd(window));
}

int User32Desktop::GetWindowTextA(WindowHandle window, char* buffer, int maxCount) {
    if (maxCount <= 0) return 0;
    // A UTF-8 byte comes from at least one UTF-16 unit, so maxCount units are
    // always enough for maxCount - 1 bytes.
    std::vector<wchar_t> wide(std::size_t(maxCount) + 1);
    int length = ::GetWindowTextW(toHwnd(window), wide.data(), maxCount + 1);
    std::string text = utf8Prefix(wide.data(), length, maxCount - 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return int(text.size());
}

WindowRect User32Desktop::GetWindowRect(WindowHandle window) {
    RECT r{};
    if (!::GetWindowRect(toHwnd(window), &r)) return {};
    return {r.left, r.top, r.right, r.bottom};
}

CloseRequest User32Desktop::PostClose(WindowHandle window) {
    return sentIf(::PostMessageA(toHwnd(window), WM_CLOSE, 0, 0));
}

} // namespace vornel
