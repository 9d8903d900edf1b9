#pragma once

#include "app/instance_handshake.h"

#include <string>
#include <windows.h>

namespace vornel {

// The handshake of the Windows program. The running instance holds a named
// mutex for its whole life and, once started, a hidden top-level window of
// class "TfmVornelTray"; a newer one finds the window with
// FindWindowA("tfmVornelTray") (class names are compared without regard to
// case), sends it WM_CLOSE, which returns once the running instance has
// removed its icon and saved, and then waits for the mutex, which is free
// once that instance has ended (or died: an abandoned mutex is free too).
// Only the holder of the mutex runs.
class WindowClassHandshake : public InstanceHandshake {
public:
    // className and mutexName are for the tests, which run their own pair.
    explicit WindowClassHandshake(std::string className = "TfmVornelTray",
                                  std::string mutexName = "Local\\Vornel-instance");
    ~WindowClassHandshake() override;
    WindowClassHandshake(const WindowClassHandshake&) = delete;
    WindowClassHandshake& operator=(const WindowClassHandshake&) = delete;

    EarlierInstance closeEarlierInstance(std::chrono::milliseconds timeout) override;
    bool listen(std::function<void()> close) override;
    void stopListening() override;

    // The hidden window while listening, else null.
    HWND window() const { return window_; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool takeMutex(DWORD waitMs);

    std::string className_;
    std::string mutexName_;
    HANDLE mutex_ = nullptr;
    bool ownsMutex_ = false;
    HWND window_ = nullptr;
    std::function<void()> close_;
};

} // namespace vornel
