#pragma once

#include "blocking/desktop.h"

#include <functional>
#include <string>
#include <vector>

namespace vornel {

// A desktop held in memory, for tests and for running without a window system.
// Windows are listed top of the Z order first.
class ScriptedDesktop : public Desktop {
public:
    struct Window {
        WindowHandle handle = 0;
        std::string title;
        WindowRect rect;
        bool visible = true;
        bool iconic = false;
        bool closesOnRequest = true; // false: ignores close requests
        bool closable = true;        // false: no request may be sent to it
        int pendingAnswers = 0;      // requests answered Pending before one is decided
    };

    WindowHandle add(const std::string& title, WindowRect rect = {0, 0, 400, 300});
    Window* find(WindowHandle handle);
    void remove(WindowHandle handle);
    std::vector<Window>& windows() { return windows_; }

    // Close requests sent, in the order they were made, and those refused.
    const std::vector<WindowHandle>& closeRequests() const { return closeRequests_; }
    const std::vector<WindowHandle>& refusedCloses() const { return refusedCloses_; }
    int titleReads() const { return titleReads_; }
    int pendingCloses() const { return pendingCloses_; }

    // Runs after every title read, so a test can change the desktop mid-scan.
    std::function<void(WindowHandle)> afterTitleRead;

    WindowHandle GetWindow(WindowHandle from, unsigned command) override;
    bool IsWindowVisible(WindowHandle window) override;
    bool IsIconic(WindowHandle window) override;
    int GetWindowTextA(WindowHandle window, char* buffer, int maxCount) override;
    WindowRect GetWindowRect(WindowHandle window) override;
    CloseRequest PostClose(WindowHandle window) override;

private:
    std::vector<Window> windows_;
    std::vector<WindowHandle> closeRequests_;
    std::vector<WindowHandle> refusedCloses_;
    WindowHandle nextHandle_ = 0x400001;
    int titleReads_ = 0;
    int pendingCloses_ = 0;
};

} // namespace vornel
