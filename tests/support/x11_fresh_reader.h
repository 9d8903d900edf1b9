#pragma once

// What the X server says about the top-level windows right now, asked afresh
// on every read and never from events: the reference that the event-fed
// desktop is held against. It follows the same meaning (the window manager's
// stacking list or the root's children, top first; visible, minimised, title,
// outer rectangle, whether a close request may go out) by the plainest means.
#include "blocking/desktop.h"
#include "blocking/desktops/x11_properties.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

namespace vornel::test {

struct FreshWindow {
    WindowHandle handle = 0;
    bool visible = false, iconic = false, deletable = false;
    std::string title;
    WindowRect rect;
    bool operator==(const FreshWindow&) const = default;
};

class X11FreshReader {
public:
    explicit X11FreshReader(const std::string& display) {
        c_ = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(c_)) return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        for (const char* name : {"_NET_SUPPORTING_WM_CHECK", "_NET_CLIENT_LIST_STACKING",
                                 "_NET_WM_NAME", "UTF8_STRING", "WM_STATE", "_NET_WM_STATE",
                                 "_NET_WM_STATE_HIDDEN", "_NET_FRAME_EXTENTS", "_GTK_FRAME_EXTENTS",
                                 "WM_PROTOCOLS", "WM_DELETE_WINDOW", "COMPOUND_TEXT"})
            atoms_.push_back(atom(name));
    }
    ~X11FreshReader() { xcb_disconnect(c_); }
    X11FreshReader(const X11FreshReader&) = delete;
    X11FreshReader& operator=(const X11FreshReader&) = delete;

    bool connected() const { return root_ != 0; }
    bool managed() const { return managed_; }

    // Every window of the walk, top first.
    std::vector<FreshWindow> read() {
        std::vector<WindowHandle> list = walk();
        std::vector<FreshWindow> out;
        for (WindowHandle w : list)
            out.push_back(readWindow(w));
        return out;
    }

private:
    enum {
        Check,
        Stacking,
        NetWmName,
        Utf8,
        WmState,
        NetWmState,
        Hidden,
        FrameExtents,
        GtkFrameExtents,
        Protocols,
        DeleteWindow,
        CompoundText
    };
    using Reply = std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)>;

    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr);
        xcb_atom_t a = reply ? reply->atom : 0;
        std::free(reply);
        return a;
    }
    Reply get(xcb_window_t w, xcb_atom_t name, xcb_atom_t type, uint32_t longs = 1u << 20) {
        return {
            xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, name, type, 0, longs), nullptr),
            std::free};
    }

    std::vector<WindowHandle> walk() {
        // A span points into its reply, which must outlive it.
        Reply checkReply = get(root_, atoms_[Check], XCB_ATOM_WINDOW);
        auto check = x11::longsOf(checkReply.get());
        managed_ = false;
        if (!check.empty()) {
            Reply selfReply = get(check[0], atoms_[Check], XCB_ATOM_WINDOW);
            auto self = x11::longsOf(selfReply.get());
            managed_ = !self.empty() && self[0] == check[0];
        }
        if (managed_) {
            Reply listReply = get(root_, atoms_[Stacking], XCB_ATOM_WINDOW);
            auto list = x11::longsOf(listReply.get());
            return {list.rbegin(), list.rend()};
        }
        auto* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr);
        std::vector<WindowHandle> children;
        if (tree) {
            const xcb_window_t* first = xcb_query_tree_children(tree);
            children.assign(first, first + xcb_query_tree_children_length(tree));
        }
        std::free(tree);
        return {children.rbegin(), children.rend()};
    }

    FreshWindow readWindow(WindowHandle w) {
        FreshWindow out;
        out.handle = w;
        auto* attributes =
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr);
        auto* geometry = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
        auto* origin = xcb_translate_coordinates_reply(
            c_, xcb_translate_coordinates(c_, w, root_, 0, 0), nullptr);
        const bool alive = attributes && geometry && origin;
        if (alive) {
            Reply wmStateReply = get(w, atoms_[WmState], atoms_[WmState]);
            auto wmState = x11::longsOf(wmStateReply.get());
            const bool hidden = x11::holds(
                x11::longsOf(get(w, atoms_[NetWmState], XCB_ATOM_ATOM).get()), atoms_[Hidden]);
            out.iconic = (!wmState.empty() && wmState[0] == XCB_ICCCM_WM_STATE_ICONIC) || hidden;
            out.visible = !wmState.empty()
                              ? wmState[0] == XCB_ICCCM_WM_STATE_NORMAL || out.iconic
                              : attributes->map_state != XCB_MAP_STATE_UNMAPPED || out.iconic;
            out.title = title(w);
            int32_t grow[4];
            Reply frameReply = get(w, atoms_[FrameExtents], XCB_ATOM_CARDINAL);
            Reply shadowReply = get(w, atoms_[GtkFrameExtents], XCB_ATOM_CARDINAL);
            auto frame = x11::longsOf(frameReply.get());
            auto shadow = x11::longsOf(shadowReply.get());
            for (std::size_t i = 0; i < 4; ++i)
                grow[i] = geometry->border_width + (frame.size() == 4 ? int32_t(frame[i]) : 0) -
                          (shadow.size() == 4 ? int32_t(shadow[i]) : 0);
            out.rect = {origin->dst_x - grow[0], origin->dst_y - grow[2],
                        origin->dst_x + geometry->width + grow[1],
                        origin->dst_y + geometry->height + grow[3]};
            out.deletable = x11::holds(x11::longsOf(get(w, atoms_[Protocols], XCB_ATOM_ATOM).get()),
                                       atoms_[DeleteWindow]);
        }
        std::free(attributes);
        std::free(geometry);
        std::free(origin);
        return out;
    }

    std::string title(WindowHandle w) {
        auto net = get(w, atoms_[NetWmName], atoms_[Utf8]);
        if (net && net->type == atoms_[Utf8]) return std::string(x11::bytesOf(net.get()));
        auto legacy = get(w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY);
        if (!legacy) return {};
        std::string_view raw = x11::bytesOf(legacy.get());
        if (legacy->type == atoms_[Utf8]) return std::string(raw);
        if (legacy->type == XCB_ATOM_STRING) return x11::legacyTitle(raw);
        if (legacy->type == atoms_[CompoundText]) return x11::compoundTitle(raw);
        return {};
    }

    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
    std::vector<xcb_atom_t> atoms_;
    bool managed_ = false;
};

} // namespace vornel::test
