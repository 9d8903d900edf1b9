#include "blocking/desktops/wlroots_desktop.h"

#include "blocking/desktops/xwayland_protocols.h"
#include "common/program_language.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <wayland-client.h>

namespace vornel {

namespace {
// The newest version this program knows; the compositor may offer less.
constexpr uint32_t ManagerVersion = 3;
} // namespace

struct WlrootsDesktop::Toplevel {
    WlrootsDesktop* desktop = nullptr;
    WindowHandle handle = 0;
    zwlr_foreign_toplevel_handle_v1* object = nullptr;
    // The changes since the last "done", which makes them one.
    std::string title;
    bool minimised = false;

    ~Toplevel() { zwlr_foreign_toplevel_handle_v1_destroy(object); }
};

// The protocol's callbacks, in the order of its events.
struct Listeners {
    static void title(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) {
        static_cast<WlrootsDesktop::Toplevel*>(data)->title = title ? title : "";
    }
    static void appId(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
    static void outputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void outputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void state(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
        auto* t = static_cast<WlrootsDesktop::Toplevel*>(data);
        t->minimised = false;
        const auto* s = static_cast<const uint32_t*>(states->data);
        for (std::size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
            if (s[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED) t->minimised = true;
    }
    static void done(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* t = static_cast<WlrootsDesktop::Toplevel*>(data);
        ModelWindow& w = t->desktop->entry(t->handle);
        w.title = t->title;
        w.iconic = t->minimised;
        w.visible = true;
        w.sizeKnown = false;
    }
    static void closed(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* t = static_cast<WlrootsDesktop::Toplevel*>(data);
        WlrootsDesktop* desktop = t->desktop;
        const WindowHandle handle = t->handle;
        desktop->forget(handle);
        desktop->toplevels_.erase(handle); // t is gone from here on
    }
    static void parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

    static constexpr zwlr_foreign_toplevel_handle_v1_listener toplevelListener{
        title, appId, outputEnter, outputLeave, state, done, closed, parent};

    static void toplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                         zwlr_foreign_toplevel_handle_v1* object) {
        auto* desktop = static_cast<WlrootsDesktop*>(data);
        auto t = std::make_unique<WlrootsDesktop::Toplevel>();
        t->desktop = desktop;
        t->handle = ++desktop->lastHandle_;
        t->object = object;
        zwlr_foreign_toplevel_handle_v1_add_listener(object, &toplevelListener, t.get());
        desktop->toplevels_[t->handle] = std::move(t);
    }
    static void finished(void* data, zwlr_foreign_toplevel_manager_v1*) {
        auto* desktop = static_cast<WlrootsDesktop*>(data);
        zwlr_foreign_toplevel_manager_v1_destroy(desktop->manager_);
        desktop->manager_ = nullptr;
        desktop->lost();
    }

    static constexpr zwlr_foreign_toplevel_manager_v1_listener managerListener{toplevel, finished};

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version) {
        auto* desktop = static_cast<WlrootsDesktop*>(data);
        if (desktop->manager_ ||
            std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) != 0)
            return;
        desktop->manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface,
                             std::min(version, ManagerVersion)));
        zwlr_foreign_toplevel_manager_v1_add_listener(desktop->manager_, &managerListener, desktop);
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}

    static constexpr wl_registry_listener registryListener{global, globalRemove};
};

WlrootsDesktop::WlrootsDesktop(std::string display, std::string xDisplay)
    : displayName_(std::move(display)), xQuestions_(std::move(xDisplay), sideNews()) {}

WlrootsDesktop::~WlrootsDesktop() {
    close();
}

std::unique_ptr<WlrootsDesktop> WlrootsDesktop::connect(const std::string& display,
                                                        const std::string& xDisplay) {
    std::unique_ptr<WlrootsDesktop> desktop(new WlrootsDesktop(display, xDisplay));
    if (!desktop->open()) return nullptr;
    return desktop;
}

bool WlrootsDesktop::open() {
    close();
    display_ = wl_display_connect(displayName_.empty() ? nullptr : displayName_.c_str());
    if (!display_) return false;
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &Listeners::registryListener, this);
    // The first round trip names the globals, the second brings the windows.
    if (wl_display_roundtrip(display_) < 0 || !manager_ || wl_display_roundtrip(display_) < 0 ||
        !connected()) {
        close();
        return false;
    }
    notifier_ =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readEvents(); });
    // Back again: a notice that still holds is told anew.
    xUnknownReported_ = false;
    setNotice({});
    return true;
}

void WlrootsDesktop::close() {
    notifier_.reset();
    toplevels_.clear();
    if (manager_) zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    manager_ = nullptr;
    if (registry_) wl_registry_destroy(registry_);
    registry_ = nullptr;
    if (display_) wl_display_disconnect(display_);
    display_ = nullptr;
}

bool WlrootsDesktop::connected() const {
    return display_ && manager_ && wl_display_get_error(display_) == 0;
}

bool WlrootsDesktop::refresh() {
    if (!connected() || wl_display_roundtrip(display_) < 0) {
        lost();
        return false;
    }
    return connected();
}

void WlrootsDesktop::update() {
    readEvents();
}

// Reads what the socket holds and dispatches it, never waiting for more.
void WlrootsDesktop::readEvents() {
    if (!connected()) return;
    while (wl_display_prepare_read(display_) != 0)
        wl_display_dispatch_pending(display_);
    wl_display_flush(display_);
    pollfd socket{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&socket, 1, 0) > 0)
        wl_display_read_events(display_);
    else
        wl_display_cancel_read(display_);
    if (wl_display_dispatch_pending(display_) < 0) lost();
}

// Called from inside the library's dispatch too: the connection is let go
// only later, from the event loop.
void WlrootsDesktop::lost() {
    forgetAll();
    if (notifier_) notifier_->setEnabled(false);
    // The manager's end, with the connection still up, is the compositor's own choice.
    const int error = display_ ? wl_display_get_error(display_) : 0;
    const QString why = error != 0
                            ? QString::fromLocal8Bit(std::strerror(error))
                            : programText("WlrootsDesktop", "le compositeur a cessé de la fournir");
    setNotice(programText("WlrootsDesktop",
                          "Vornel a perdu la liste des fenêtres du compositeur (%1) : aucune "
                          "fenêtre n'est surveillée. Vornel essaie de la rétablir.")
                  .arg(why)
                  .toStdString());
    reconnection_.lost();
}

CloseRequest WlrootsDesktop::requestClose(WindowHandle window) {
    auto it = toplevels_.find(window);
    if (it == toplevels_.end() || !connected()) return CloseRequest::Refused;
    const auto lacks = xQuestions_.titledLacksDeleteWindow(window, find(window)->title);
    if (!lacks) return CloseRequest::Pending;
    if (*lacks == XAnswer::Unknown) {
        // The list does not tell an X window from a Wayland one: with no
        // XWayland to ask, any window may be one whose program the
        // compositor would kill.
        if (!xUnknownReported_) {
            xUnknownReported_ = true;
            const std::string notice =
                programText("WlrootsDesktop",
                            "Aucune fenêtre n'est fermée : XWayland (écran « %1 ») ne répond pas, "
                            "et sans lui Vornel ne peut savoir si fermer une fenêtre tuerait son "
                            "programme.")
                    .arg(xQuestions_.display().empty()
                             ? programText("WlrootsDesktop", "non nommé")
                             : QString::fromStdString(xQuestions_.display()))
                    .toStdString();
            setNotice(notice);
        }
        return CloseRequest::Refused;
    }
    if (*lacks == XAnswer::Yes) return CloseRequest::Refused;
    zwlr_foreign_toplevel_handle_v1_close(it->second->object);
    return sentIf(wl_display_flush(display_) >= 0);
}

} // namespace vornel
