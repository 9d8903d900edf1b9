// test_popup TITLE: a visible top-level window titled TITLE that ends the
// process, with status 0, once it has been asked to close.
#include <windows.h>

namespace {

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR title, int) {
    WNDCLASSW c{};
    c.lpfnWndProc = windowProc;
    c.hInstance = instance;
    c.lpszClassName = L"VornelTestPopUp";
    RegisterClassW(&c);
    HWND window = CreateWindowExW(0, c.lpszClassName, title, WS_OVERLAPPEDWINDOW, 200, 150, 400,
                                  300, nullptr, nullptr, instance, nullptr);
    if (!window) return 2;
    ShowWindow(window, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return int(msg.wParam);
}
