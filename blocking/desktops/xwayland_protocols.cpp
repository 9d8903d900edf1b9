#include "blocking/desktops/xwayland_protocols.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <string_view>
#include <vector>
#include <xcb/xcb.h>

namespace vornel {

namespace {

template <class T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

class Connection {
public:
    explicit Connection(const std::string& display)
        : c_(xcb_connect(display.empty() ? nullptr : display.c_str(), &screen_)) {}
    ~Connection() { xcb_disconnect(c_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ok() const { return !xcb_connection_has_error(c_); }

    xcb_atom_t atom(const char* name) {
        Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 1, uint16_t(std::strlen(name)), name),
                                  nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    Reply<xcb_get_property_reply_t> property(xcb_window_t window, xcb_atom_t name,
                                             xcb_atom_t type) {
        return {xcb_get_property_reply(c_, xcb_get_property(c_, 0, window, name, type, 0, 1u << 16),
                                       nullptr),
                &std::free};
    }

    std::vector<uint32_t> longs(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
        auto reply = property(window, name, type);
        if (!reply || reply->format != 32) return {};
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        return {data, data + xcb_get_property_value_length(reply.get()) / 4};
    }

    std::string text(xcb_window_t window, xcb_atom_t name) {
        auto reply = property(window, name, XCB_GET_PROPERTY_TYPE_ANY);
        if (!reply || reply->format != 8) return {};
        return {static_cast<const char*>(xcb_get_property_value(reply.get())),
                std::size_t(xcb_get_property_value_length(reply.get()))};
    }

    bool listsDeleteWindow(xcb_window_t window) {
        const xcb_atom_t deleteWindow = atom("WM_DELETE_WINDOW");
        if (deleteWindow == XCB_ATOM_NONE) return false;
        for (uint32_t a : longs(window, atom("WM_PROTOCOLS"), XCB_ATOM_ATOM))
            if (a == deleteWindow) return true;
        return false;
    }

    xcb_window_t root() { return xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root; }

private:
    int screen_ = 0;
    xcb_connection_t* c_;
};

} // namespace

bool listsDeleteWindow(const std::string& display, uint32_t xWindow) {
    Connection x(display);
    return x.ok() && x.listsDeleteWindow(xWindow);
}

namespace {

// The managed X windows titled title: how many, and how many of them lack
// WM_DELETE_WINDOW; nothing when XWayland cannot be asked.
std::optional<std::pair<int, int>> titledWindows(const std::string& display,
                                                 const std::string& title) {
    Connection x(display);
    if (!x.ok()) return std::nullopt;
    const xcb_atom_t netName = x.atom("_NET_WM_NAME");
    int titled = 0, lacking = 0;
    for (uint32_t window : x.longs(x.root(), x.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW)) {
        std::string name = netName != XCB_ATOM_NONE ? x.text(window, netName) : std::string();
        if (name.empty()) name = x.text(window, XCB_ATOM_WM_NAME);
        if (name != title) continue;
        ++titled;
        if (!x.listsDeleteWindow(window)) ++lacking;
    }
    return std::pair{titled, lacking};
}

} // namespace

bool xWindowTitledLacksDeleteWindow(const std::string& display, const std::string& title) {
    const auto found = titledWindows(display, title);
    return found && found->second > 0;
}

bool xWindowsTitledListDeleteWindow(const std::string& display, const std::string& title) {
    const auto found = titledWindows(display, title);
    return found && found->first > 0 && found->second == 0;
}

} // namespace vornel
