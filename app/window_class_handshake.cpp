#include "app/window_class_handshake.h"

#include <QDeadlineTimer>
#include <cctype>
#include <thread>

namespace vornel {

namespace {

constexpr std::chrono::seconds RacingInstanceWait{10};

// The class name that a newer instance looks for: the tray form's, in any case.
std::string searchedName(std::string name) {
    if (!name.empty()) name[0] = char(std::tolower(static_cast<unsigned char>(name[0])));
    return name;
}

} // namespace

WindowClassHandshake::WindowClassHandshake(std::string className, std::string mutexName)
    : className_(std::move(className)), mutexName_(std::move(mutexName)) {}

WindowClassHandshake::~WindowClassHandshake() {
    stopListening();
    if (mutex_) CloseHandle(mutex_);
}

bool WindowClassHandshake::closeEarlierInstance(std::chrono::milliseconds timeout) {
    HWND earlier = FindWindowA(searchedName(className_).c_str(), nullptr);
    if (!earlier) return false;
    // SendMessageA itself would wait for ever on an instance that hangs.
    DWORD_PTR result = 0;
    SendMessageTimeoutA(earlier, WM_CLOSE, 0, 0, SMTO_NORMAL, UINT(timeout.count()), &result);
    return true;
}

bool WindowClassHandshake::takeMutex(std::chrono::milliseconds timeout) {
    if (!mutex_) mutex_ = CreateMutexA(nullptr, FALSE, mutexName_.c_str());
    if (!mutex_) return false;
    // An abandoned mutex is one whose instance died without letting go: ours now.
    DWORD waited = WaitForSingleObject(mutex_, DWORD(timeout.count()));
    ownsMutex_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    return ownsMutex_;
}

bool WindowClassHandshake::listen(std::function<void()> close) {
    // Another instance that started at the same time may hold the mutex: it is
    // asked to close in its turn, as soon as its window exists.
    QDeadlineTimer deadline(RacingInstanceWait);
    while (!takeMutex(std::chrono::milliseconds(0))) {
        if (deadline.hasExpired()) return false;
        if (!closeEarlierInstance(std::chrono::milliseconds(deadline.remainingTime())))
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        else if (takeMutex(std::chrono::milliseconds(deadline.remainingTime())))
            break;
    }
    close_ = std::move(close);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className_.c_str();
    RegisterClassA(&windowClass);
    // A top-level window (not a message-only one), which FindWindowA finds;
    // never shown.
    window_ = CreateWindowExA(WS_EX_TOOLWINDOW, className_.c_str(), "", WS_POPUP, 0, 0, 0, 0,
                              nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window_) {
        stopListening();
        return false;
    }
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

void WindowClassHandshake::stopListening() {
    if (window_) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
        window_ = nullptr;
    }
    if (ownsMutex_) {
        ReleaseMutex(mutex_);
        ownsMutex_ = false;
    }
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
