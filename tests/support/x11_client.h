#pragma once

// An X client of the tests' own: it makes windows, sets their properties,
// asks the window manager to raise or minimise them and sees the messages
// they receive, over a connection apart from the one under test.
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

namespace vornel::test {

// Polls until condition holds, for at most timeout; the window manager and
// other clients answer in their own time.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class X11Client {
public:
    explicit X11Client(const std::string& display) {
        c = xcb_connect(display.c_str(), nullptr);
        if (!xcb_connection_has_error(c))
            root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }
    ~X11Client() {
        destroyAll();
        xcb_disconnect(c);
    }
    X11Client(const X11Client&) = delete;
    X11Client& operator=(const X11Client&) = delete;

    bool connected() const { return root != 0; }

    xcb_atom_t atom(const char* name) {
        auto cookie = xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
        xcb_atom_t result = reply ? reply->atom : 0;
        std::free(reply);
        return result;
    }

    std::string atomName(xcb_atom_t atom) {
        xcb_get_atom_name_reply_t* reply =
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr);
        std::string name = reply ? std::string(xcb_get_atom_name_name(reply),
                                               std::size_t(xcb_get_atom_name_name_length(reply)))
                                 : std::string();
        std::free(reply);
        return name;
    }

    // A top-level window, not mapped yet; deletable windows list WM_DELETE_WINDOW.
    xcb_window_t create(uint16_t width, uint16_t height, bool deletable = true, int16_t x = 40,
                        int16_t y = 40) {
        xcb_window_t w = xcb_generate_id(c);
        created_.push_back(w);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        uint32_t values[] = {screen->white_pixel};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, x, y, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                          values);
        // The program position and size keep the window manager from moving it.
        uint32_t hints[18] = {};
        hints[0] = 4 | 8; // PPosition | PSize
        hints[1] = uint32_t(x), hints[2] = uint32_t(y), hints[3] = width, hints[4] = height;
        set(w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, hints, 18);
        if (deletable) {
            xcb_atom_t del = atom("WM_DELETE_WINDOW");
            set(w, atom("WM_PROTOCOLS"), XCB_ATOM_ATOM, &del, 1);
        }
        return w;
    }

    void setText(xcb_window_t w, const char* property, const char* type, const std::string& text) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(property), atom(type), 8,
                            uint32_t(text.size()), text.data());
        xcb_flush(c);
    }
    // The two ways a client names its window: UTF-8 in _NET_WM_NAME, Latin-1 in WM_NAME.
    void setUtf8Title(xcb_window_t w, const std::string& text) {
        setText(w, "_NET_WM_NAME", "UTF8_STRING", text);
    }
    void setLatin1Title(xcb_window_t w, const std::string& text) {
        setText(w, "WM_NAME", "STRING", text);
    }

    void set(xcb_window_t w, xcb_atom_t property, xcb_atom_t type, const uint32_t* values,
             uint32_t count) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 32, count, values);
        xcb_flush(c);
    }

    std::vector<uint32_t> longs(xcb_window_t w, const char* property) {
        auto cookie = xcb_get_property(c, 0, w, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096);
        xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
        std::vector<uint32_t> values;
        if (reply && reply->format == 32) {
            auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
            values.assign(data, data + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        return values;
    }

    void map(xcb_window_t w) {
        xcb_map_window(c, w);
        xcb_flush(c);
    }
    void destroy(xcb_window_t w) {
        xcb_destroy_window(c, w);
        xcb_flush(c);
    }
    // Withdrawing, as the window-manager conventions say: unmap, then tell the
    // window manager with a synthetic UnmapNotify.
    void withdraw(xcb_window_t w) {
        xcb_unmap_window(c, w);
        xcb_unmap_notify_event_t event{};
        event.response_type = XCB_UNMAP_NOTIFY;
        event.event = root;
        event.window = w;
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(c);
    }
    void toRoot(xcb_window_t w, const char* type, uint32_t d0, uint32_t d1 = 0, uint32_t d2 = 0) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = w;
        event.type = atom(type);
        event.data.data32[0] = d0, event.data.data32[1] = d1, event.data.data32[2] = d2;
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(c);
    }
    void iconify(xcb_window_t w) { toRoot(w, "WM_CHANGE_STATE", 3 /* IconicState */); }
    // Activation as a pager asks for it, which the window manager always grants.
    void raise(xcb_window_t w) { toRoot(w, "_NET_ACTIVE_WINDOW", 2, 0, 0); }

    bool exists(xcb_window_t w) {
        xcb_generic_error_t* error = nullptr;
        auto* reply = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), &error);
        std::free(error);
        std::free(reply);
        return reply != nullptr;
    }

    // The client windows the window manager lists, top first.
    std::vector<uint32_t> stackingTopFirst() {
        std::vector<uint32_t> list = longs(root, "_NET_CLIENT_LIST_STACKING");
        return {list.rbegin(), list.rend()};
    }
    bool managed(xcb_window_t w) {
        auto list = longs(root, "_NET_CLIENT_LIST_STACKING");
        return std::find(list.begin(), list.end(), w) != list.end() &&
               longs(w, "_NET_FRAME_EXTENTS").size() == 4;
    }
    uint32_t wmState(xcb_window_t w) {
        auto state = longs(w, "WM_STATE");
        return state.empty() ? 0 : state[0];
    }

    // Destroys every window made so far and waits until the window manager has
    // let go of them. The server hands a closed connection's window ids to the
    // next client, and a window manager still busy with an old window would
    // then move or map the new one that bears its id.
    void destroyAll() {
        for (xcb_window_t w : created_)
            xcb_destroy_window(c, w);
        xcb_flush(c);
        eventually([&] {
            auto list = longs(root, "_NET_CLIENT_LIST_STACKING");
            return std::none_of(created_.begin(), created_.end(), [&](xcb_window_t w) {
                return std::find(list.begin(), list.end(), w) != list.end();
            });
        });
        created_.clear();
    }

    // The managed window whose WM_NAME holds exactly these bytes; 0 when none.
    xcb_window_t findByName(const std::string& name) {
        for (uint32_t w : longs(root, "_NET_CLIENT_LIST_STACKING")) {
            auto cookie =
                xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
            xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
            bool same =
                reply && std::string(static_cast<const char*>(xcb_get_property_value(reply)),
                                     xcb_get_property_value_length(reply)) == name;
            std::free(reply);
            if (same) return w;
        }
        return 0;
    }

    // The WM_PROTOCOLS messages that reached this client's windows so far.
    std::vector<xcb_client_message_event_t> protocolMessages() {
        xcb_atom_t protocols = atom("WM_PROTOCOLS");
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
                auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (message->type == protocols) received_.push_back(*message);
            }
            std::free(event);
        }
        return received_;
    }

    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;

private:
    std::vector<xcb_window_t> created_;
    std::vector<xcb_client_message_event_t> received_;
};

// Waits until nothing on the display has changed for quiet: the window
// manager goes on setting its lists for a moment after a window shows as
// managed. Watches from a connection of its own, so as to leave the events
// of any other untouched.
inline bool waitUntilQuiet(const std::string& display,
                           std::chrono::milliseconds quiet = std::chrono::milliseconds(150),
                           std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &events);
    xcb_flush(c);
    const auto end = std::chrono::steady_clock::now() + timeout;
    auto lastChange = std::chrono::steady_clock::now();
    bool settled = false;
    while (!settled && std::chrono::steady_clock::now() < end) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            lastChange = std::chrono::steady_clock::now();
            std::free(event);
        }
        settled = std::chrono::steady_clock::now() - lastChange >= quiet;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    xcb_disconnect(c);
    return settled;
}

// A real X client: xlogo with a title, until the object goes.
class XLogo {
public:
    XLogo(const std::string& display, const std::string& title,
          const char* geometry = "200x150+60+60") {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", QString::fromStdString(display));
        process.setProcessEnvironment(env);
        process.start("xlogo", {"-title", QString::fromStdString(title), "-geometry", geometry});
        process.waitForStarted();
    }
    ~XLogo() {
        if (process.state() == QProcess::NotRunning) return;
        process.kill();
        process.waitForFinished();
    }
    // Without an event loop QProcess learns of the exit only when asked.
    bool running() {
        process.waitForFinished(0);
        return process.state() == QProcess::Running;
    }

    QProcess process;
};

} // namespace vornel::test
