#pragma once

#include "blocking/desktops/reconnection.h"
#include "blocking/desktops/window_model.h"
#include "blocking/desktops/xwayland_protocols.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

class QSocketNotifier;
struct wl_display;
struct wl_registry;
struct zwlr_foreign_toplevel_manager_v1;

namespace vornel {

// The windows of a wlroots compositor (labwc, wayfire, river, Hyprland,
// sway…) through its foreign-toplevel list, the one a taskbar uses: titles,
// minimised state and a polite close, but no sizes, so no size condition ever
// holds here. A handle is a number given to each window as it appears; a
// window is visible, and minimised when the compositor says so.
//
// The compositor's events are read by the event loop and at every walk;
// nothing ever waits on the compositor, except connect and a reconnection.
// A lost list (the compositor ended it, or our connection broke) empties
// the model, says so in the notice, and is asked for again.
class WlrootsDesktop : public WindowModel {
public:
    // Connected to the Wayland display (named, or $WAYLAND_DISPLAY when
    // empty) and holding its first list; null when the display cannot be
    // reached or does not offer the list. xDisplay is XWayland's ($DISPLAY
    // when empty).
    static std::unique_ptr<WlrootsDesktop> connect(const std::string& display = {},
                                                   const std::string& xDisplay = {});
    ~WlrootsDesktop() override;
    WlrootsDesktop(const WlrootsDesktop&) = delete;
    WlrootsDesktop& operator=(const WlrootsDesktop&) = delete;

    bool connected() const;
    // Waits until the compositor has answered everything sent so far, and
    // takes in its events; for one-shot listings and tests.
    bool refresh();

    struct Toplevel; // one window of the list, with its changes not yet done

protected:
    void update() override;
    // The compositor turns "close" into xdg_toplevel.close for a Wayland
    // window; for an XWayland one, wlroots kills the client of a window that
    // lacks WM_DELETE_WINDOW, so a window that has the title of such an X
    // window is not asked, nor any window while XWayland runs but cannot be
    // asked.
    CloseRequest requestClose(WindowHandle window) override;

private:
    WlrootsDesktop(std::string display, std::string xDisplay);

    // Connects and takes in the first list; false when there is none.
    bool open();
    void close();
    void readEvents();
    void lost();

    friend struct Listeners;

    std::string displayName_;
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    std::unordered_map<WindowHandle, std::unique_ptr<Toplevel>> toplevels_;
    WindowHandle lastHandle_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    XWaylandQuestions xQuestions_;
    bool xUnknownReported_ = false;
    Reconnection reconnection_{[this] { return open(); }};
};

} // namespace vornel
