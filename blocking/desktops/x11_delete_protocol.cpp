#include "blocking/desktops/x11_delete_protocol.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace vornel {

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::char_traits<char>::length(name)), name),
            nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

// One connection per closing of an X window, which is rare: a connection
// kept open would keep an idle XWayland from ending.
bool takesDeleteWindow(const std::string& display, uint32_t window) {
    if (display.empty() || window == 0) return false;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> c(
        xcb_connect(display.c_str(), nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(c.get())) return false;
    const xcb_atom_t protocols = atom(c.get(), "WM_PROTOCOLS");
    const xcb_atom_t deleteWindow = atom(c.get(), "WM_DELETE_WINDOW");
    if (protocols == XCB_ATOM_NONE || deleteWindow == XCB_ATOM_NONE) return false;
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(
            c.get(), xcb_get_property(c.get(), 0, window, protocols, XCB_ATOM_ATOM, 0, 64),
            nullptr),
        &std::free);
    if (!reply || reply->format != 32) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::find(atoms, atoms + count, deleteWindow) != atoms + count;
}

} // namespace vornel
