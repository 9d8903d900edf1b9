#pragma once

#include "blocking/desktops/window_model.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

class QSocketNotifier;

namespace vornel {

// The top-level windows of an X display: the clients of the EWMH window
// manager, top of the stacking order first, or the root's children when no
// such window manager runs. A handle is the X window id.
//
// The model of the windows is kept by the server's events: the root's
// property and structure changes, and each client's own. Taking in reads the
// events that have arrived and fetches only what they say has changed, every
// window's requests sent before any reply is read; while nothing changes, a
// tick sends the server nothing at all. When the model cannot be sure of what
// it holds (a new window manager, a lost connection) it starts again from
// scratch.
class X11Desktop : public WindowModel {
public:
    // A connection of its own to display ($DISPLAY when empty); null when the
    // display cannot be reached.
    static std::unique_ptr<X11Desktop> connect(const std::string& display = {});
    ~X11Desktop() override;
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    // Round trips made so far: waits for a reply whose request went out after
    // the previous such wait had begun.
    uint64_t roundTrips() const { return roundTrips_; }
    // Requests sent so far, with or without a reply.
    uint64_t requests() const { return requests_; }
    // Whether an EWMH window manager runs, as last taken in.
    bool hasWindowManager() const { return managed_; }
    // The server gives a destroyed window's id to the next window it makes.
    void watchGone(std::function<void(WindowHandle)> gone) override { gone_ = std::move(gone); }

protected:
    void update() override;
    // _NET_CLOSE_WINDOW through the window manager when it supports it, else
    // WM_DELETE_WINDOW straight to the client; both only to a window that lists
    // WM_DELETE_WINDOW (a window manager kills a client that does not). Never
    // destroys a window or kills a client.
    CloseRequest requestClose(WindowHandle window) override;

private:
    explicit X11Desktop(std::string display);

    struct Client;
    struct ClientReplies;
    struct RootReplies;

    bool open();
    void close();
    void startAgain();
    void takeEvents();
    void place(const xcb_generic_event_t* event);
    void touchClient(xcb_window_t window, uint16_t parts, uint32_t sequence);
    void touchHeldClients(xcb_window_t ancestor, uint16_t parts, uint32_t sequence);
    bool somethingToFetch() const;
    void fetchRound();
    RootReplies sendRoot();
    void readRoot(RootReplies& replies);
    void sendClient(xcb_window_t window, Client& client);
    void readClient(ClientReplies& replies);
    void applyOrder();
    void publish(xcb_window_t window, const Client& client);
    void watch(xcb_window_t window, uint32_t events);

    template <class Cookie> Cookie sent(Cookie cookie) {
        lastSent_ = cookie.sequence;
        ++requests_;
        return cookie;
    }
    template <class Reply, class Cookie>
    std::unique_ptr<Reply, void (*)(void*)>
    wait(Reply* (*read)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie cookie);
    xcb_get_property_cookie_t property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type,
                                       uint32_t longs);

    std::string display_;
    xcb_connection_t* c_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    bool ewmhReady_ = false;
    int screen_ = 0;
    xcb_window_t root_ = 0;
    xcb_atom_t wmState_ = 0, wmDeleteWindow_ = 0, gtkFrameExtents_ = 0, compoundText_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::chrono::steady_clock::time_point lastAttempt_;
    bool lossReported_ = false;

    // What the root says, and what is still to be asked of it.
    uint8_t rootPending_ = 0;
    std::array<uint32_t, 4>
        rootAskedAt_{};              // the first request of the round that last asked each part
    xcb_window_t checkToVerify_ = 0; // a window manager's window, not yet known to be its own
    xcb_window_t checkWindow_ = 0;   // the running window manager's window
    bool managed_ = false;           // an EWMH window manager runs
    std::function<void(WindowHandle)> gone_;
    bool closesWindows_ = false; // and lists _NET_CLOSE_WINDOW
    bool orderChanged_ = false;
    std::vector<WindowHandle> stackingTopFirst_, childrenTopFirst_;
    std::unordered_set<xcb_window_t> rootChildren_;

    std::unordered_map<xcb_window_t, Client> clients_;
    std::vector<ClientReplies> inFlight_; // kept from round to round for its capacity

    uint64_t roundTrips_ = 0, requests_ = 0;
    unsigned lastSent_ = 0, waitedUpTo_ = 0;
};

} // namespace vornel
