#pragma once

#include "app/instance_handshake.h"

#include <string>
#include <windows.h>

namespace vornel {

// The handshake of the Windows program: the running instance owns a hidden
// top-level window of class "TfmVornelTray"; a newer one finds it with
// FindWindowA("tfmVornelTray") (class names are compared without regard to
// case) and sends it WM_CLOSE, which returns once the running instance has
// removed its icon and saved. A named mutex, held for as long as the window
// exists, makes sure that two instances started at once do not both keep
// running: the one that does not get it asks the other in turn.
class WindowClassHandshake : public InstanceHandshake {
public:
    // className and mutexName are for the tests, which run their own pair.
    explicit WindowClassHandshake(std::string className = "TfmVornelTray",
                                  std::string mutexName = "Local\\Vornel-instance");
    ~WindowClassHandshake() override;
    WindowClassHandshake(const WindowClassHandshake&) = delete;
    WindowClassHandshake& operator=(const WindowClassHandshake&) = delete;

    bool closeEarlierInstance(std::chrono::milliseconds timeout) override;
    bool listen(std::function<void()> close) override;
    void stopListening() override;

    // The hidden window while listening, else null.
    HWND window() const { return window_; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool takeMutex(std::chrono::milliseconds timeout);

    std::string className_;
    std::string mutexName_;
    HANDLE mutex_ = nullptr;
    bool ownsMutex_ = false;
    HWND window_ = nullptr;
    std::function<void()> close_;
};

} // namespace vornel
