#pragma once

#include "blocking/desktop.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

namespace vornel {

// The top-level windows of an X display. The walk goes over the clients of
// the EWMH window manager, top of the stacking order first, or over the root's
// children when no such window manager runs. A handle is the X window id.
//
// beginWalk and rereadWindows send the requests for every window before
// reading any reply, so that a scan costs a few round trips whatever the number
// of windows. Each answer fetched ahead is handed out once; any other call asks
// the server afresh, so a caller outside a scan never sees an old answer.
class X11Desktop : public Desktop {
public:
    // A connection of its own to display ($DISPLAY when empty); null when the
    // display cannot be reached.
    static std::unique_ptr<X11Desktop> connect(const std::string& display = {});
    ~X11Desktop() override;
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    WindowHandle GetWindow(WindowHandle from, unsigned command) override;
    bool IsWindowVisible(WindowHandle window) override;
    bool IsIconic(WindowHandle window) override;
    int GetWindowTextA(WindowHandle window, char* buffer, int maxCount) override;
    WindowRect GetWindowRect(WindowHandle window) override;
    // _NET_CLOSE_WINDOW through the window manager when it supports it, else
    // WM_DELETE_WINDOW straight to the client; both only to a window that lists
    // WM_DELETE_WINDOW (a window manager kills a client that does not). Never
    // destroys a window or kills a client.
    bool PostClose(WindowHandle window) override;

    void beginWalk(bool minimisedAsked = true) override;
    void rereadWindows(std::span<const WindowHandle> windows) override;

    // Round trips made so far: waits for a reply whose request went out after
    // the previous such wait had begun.
    uint64_t roundTrips() const { return roundTrips_; }
    // Whether the last walk found an EWMH window manager.
    bool hasWindowManager() const { return wm_.managed; }

    // Parts of the answer about one window, each fetched with requests sent
    // ahead and read later.
    struct Title {
        std::string text; // UTF-8
        bool complete = true;
    };
    struct State {
        bool visible = false, iconic = false;
    };

private:
    X11Desktop(xcb_connection_t* connection, int screen);

    struct WindowManager {
        bool managed = false;       // an EWMH window manager runs
        bool closesWindows = false; // and lists _NET_CLOSE_WINDOW
        std::vector<WindowHandle> topFirst;
    };
    struct Ahead { // answers fetched ahead, each handed out once
        std::optional<bool> visible, iconic;
        std::optional<Title> title;
        std::optional<WindowRect> rect;
    };
    struct StateRequests;
    struct TitleRequests;
    struct RectRequests;

    WindowManager fetchWindowManager();
    std::vector<WindowHandle> rootChildrenTopFirst();
    StateRequests sendState(WindowHandle window, bool hiddenAsked);
    void followUp(StateRequests& requests, WindowHandle window);
    State finish(StateRequests& requests);
    State readState(WindowHandle window);
    TitleRequests sendTitle(WindowHandle window, uint32_t maxBytes);
    void followUp(TitleRequests& requests);
    Title finish(TitleRequests& requests);
    Title readTitle(WindowHandle window, uint32_t maxBytes);
    RectRequests sendRect(WindowHandle window);
    WindowRect readRect(const RectRequests& sent);
    bool deletable(WindowHandle window);

    Ahead* ahead(WindowHandle window);
    void keepAnswersFromNow();

    template <class Cookie> Cookie sent(Cookie cookie) {
        lastSent_ = cookie.sequence;
        return cookie;
    }
    template <class Reply, class Cookie>
    std::unique_ptr<Reply, void (*)(void*)>
    wait(Reply* (*read)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie cookie);
    xcb_get_property_cookie_t property(WindowHandle window, xcb_atom_t name, xcb_atom_t type,
                                       uint32_t longs);
    void discardEvents();
    void reportLostConnection();

    xcb_connection_t* c_;
    xcb_ewmh_connection_t ewmh_{};
    int screen_;
    xcb_window_t root_;
    xcb_atom_t wmState_, wmDeleteWindow_, gtkFrameExtents_, compoundText_;

    WindowManager wm_;
    bool wmKnown_ = false;
    xcb_window_t lastCheckWindow_ = 0;
    bool listFresh_ = false; // beginWalk's list not yet walked
    std::size_t walkIndex_ = 0;
    // Sorted by window. Kept with the request lists below from tick to tick,
    // so that a scan does not allocate them afresh twice a tick.
    std::vector<std::pair<WindowHandle, Ahead>> ahead_;
    std::vector<StateRequests> stateRequests_;
    std::vector<TitleRequests> titleRequests_;
    std::vector<RectRequests> rectRequests_;
    std::chrono::steady_clock::time_point aheadTime_;

    uint64_t roundTrips_ = 0;
    unsigned lastSent_ = 0, waitedUpTo_ = 0;
    bool lossReported_ = false;
};

} // namespace vornel
