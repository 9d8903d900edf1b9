#include "blocking/desktops/x11_desktop.h"

#include "blocking/desktops/x11_properties.h"
#include "common/log_categories.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <span>
#include <xcb/xcb_icccm.h>

namespace vornel {

using x11::holds;
using x11::longsOf;

namespace {

// List properties and titles are read whole.
constexpr uint32_t AllLongs = 1u << 20;
// A display that went away is looked for again at most this often.
constexpr auto ReconnectPause = std::chrono::seconds(1);
// Rounds of requests in one taking-in; more would mean a window system that
// keeps changing under us, and the rest waits for the next tick.
constexpr int MaxRounds = 8;

// What the root's events say to ask again.
enum RootPart : uint8_t { Check = 1, Stacking = 2, Supported = 4, Tree = 8, AllRoot = 15 };

// What a client's events say to ask again.
enum ClientPart : uint16_t {
    NetName = 1 << 0,
    WmName = 1 << 1,
    WmState = 1 << 2,
    NetState = 1 << 3,
    Frame = 1 << 4,
    Shadow = 1 << 5,
    Protocols = 1 << 6,
    Geometry = 1 << 7,
    Origin = 1 << 8,
    MapState = 1 << 9,
    Parent = 1 << 10, // the window's parent, and from it its way up to the root
    Climb = 1 << 11,  // one more step up from the highest ancestor known
    Everything = (1 << 11) - 1,
};
constexpr int PartCount = 12;

// The parts that an event sent before the server read the requests that last
// asked them does not concern: their replies already tell of it.
template <std::size_t N>
uint16_t stillToAsk(uint16_t parts, uint32_t eventSequence,
                    const std::array<uint32_t, N>& askedAt) {
    for (std::size_t i = 0; i < N; ++i)
        if ((parts & (1u << i)) && int32_t(eventSequence - askedAt[i]) < 0)
            parts &= uint16_t(~(1u << i));
    return parts;
}

template <std::size_t N>
void noteAsked(uint16_t parts, uint32_t firstRequest, std::array<uint32_t, N>& askedAt) {
    for (std::size_t i = 0; i < N; ++i)
        if (parts & (1u << i)) askedAt[i] = firstRequest;
}

constexpr uint32_t ClientEvents = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
constexpr uint32_t RootEvents = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;

// What xcb says of a connection that failed.
const char* connectionError(int error) {
    switch (error) {
    case XCB_CONN_ERROR:
        return "the socket failed: the X server ended or closed it";
    case XCB_CONN_CLOSED_EXT_NOTSUPPORTED:
        return "an extension the connection needs is missing";
    case XCB_CONN_CLOSED_MEM_INSUFFICIENT:
        return "out of memory";
    case XCB_CONN_CLOSED_REQ_LEN_EXCEED:
        return "a request longer than the server takes";
    case XCB_CONN_CLOSED_PARSE_ERR:
        return "the display name could not be read";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
        return "the display has no such screen";
    default:
        return "xcb error";
    }
}

} // namespace

// What the server said about one top-level window.
struct X11Desktop::Client {
    std::optional<std::string> netWmName; // a UTF8_STRING _NET_WM_NAME
    std::string wmName;                   // WM_NAME, in UTF-8
    std::optional<uint32_t> wmState;
    bool hidden = false; // _NET_WM_STATE_HIDDEN
    bool mapped = false;
    bool deletable = false; // WM_PROTOCOLS lists WM_DELETE_WINDOW
    bool gone = false;
    std::array<int32_t, 4> frame{}, shadow{}; // left, right, top, bottom
    int32_t x = 0, y = 0;                     // the inside's origin on the root
    int32_t width = 0, height = 0, border = 0;
    // Parent first, up to a child of the root. Their moves move the window on
    // the screen without any event of its own.
    std::vector<xcb_window_t> ancestors;
    uint16_t pending = Everything;
    // For each part, the first request of the round that last asked it.
    std::array<uint32_t, PartCount> askedAt{};
    bool watched = false;
};

struct X11Desktop::ClientReplies {
    xcb_window_t window = 0;
    uint16_t asked = 0;
    xcb_get_property_cookie_t netName{}, wmName{}, wmState{}, netState{}, frame{}, shadow{},
        protocols{};
    xcb_get_geometry_cookie_t geometry{};
    xcb_translate_coordinates_cookie_t origin{};
    xcb_get_window_attributes_cookie_t attributes{};
    xcb_query_tree_cookie_t parent{}, climb{};
};

struct X11Desktop::RootReplies {
    std::optional<xcb_get_property_cookie_t> check, stacking, supported, verify;
    std::optional<xcb_query_tree_cookie_t> tree;
    xcb_window_t verified = 0;
};

std::unique_ptr<X11Desktop> X11Desktop::connect(const std::string& display) {
    std::unique_ptr<X11Desktop> desktop(new X11Desktop(display));
    if (!desktop->open()) return nullptr;
    return desktop;
}

X11Desktop::X11Desktop(std::string display) : display_(std::move(display)) {}

X11Desktop::~X11Desktop() {
    close();
}

bool X11Desktop::open() {
    lastAttempt_ = std::chrono::steady_clock::now();
    c_ = xcb_connect(display_.empty() ? nullptr : display_.c_str(), &screen_);
    lastSent_ = waitedUpTo_ = 0; // a new connection numbers its requests from the start
    if (xcb_connection_has_error(c_)) {
        close();
        return false;
    }
    const char* names[] = {"WM_STATE", "WM_DELETE_WINDOW", "_GTK_FRAME_EXTENTS", "COMPOUND_TEXT"};
    xcb_intern_atom_cookie_t ours[4];
    for (int i = 0; i < 4; ++i)
        ours[i] = xcb_intern_atom(c_, 0, uint16_t(std::strlen(names[i])), names[i]);
    xcb_intern_atom_cookie_t* theirs = xcb_ewmh_init_atoms(c_, &ewmh_);
    xcb_atom_t* atoms[] = {&wmState_, &wmDeleteWindow_, &gtkFrameExtents_, &compoundText_};
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        auto* reply = xcb_intern_atom_reply(c_, ours[i], nullptr);
        *atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        ok &= reply != nullptr;
        std::free(reply);
    }
    ewmhReady_ = xcb_ewmh_init_atoms_replies(&ewmh_, theirs, nullptr) != 0;
    if (!ok || !ewmhReady_ || screen_ >= ewmh_.nb_screens) {
        close();
        return false;
    }
    root_ = ewmh_.screens[screen_]->root;
    // Asked before anything is read, so that no change of the root goes unseen.
    xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &RootEvents);
    xcb_flush(c_);
    // Events are read as they come, also while no tick runs (a paused scan),
    // so that they never pile up in the server; reading them asks nothing.
    if (QCoreApplication::instance()) {
        notifier_ =
            std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { takeEvents(); });
    }
    lossReported_ = false;
    startAgain();
    return true;
}

void X11Desktop::close() {
    notifier_.reset();
    if (ewmhReady_) xcb_ewmh_connection_wipe(&ewmh_);
    ewmhReady_ = false;
    if (c_) xcb_disconnect(c_);
    c_ = nullptr;
    root_ = 0;
}

// Forgets everything, so that the next taking-in asks all afresh.
void X11Desktop::startAgain() {
    forgetAll();
    clients_.clear();
    rootPending_ = AllRoot;
    checkToVerify_ = checkWindow_ = 0;
    rootAskedAt_ = {};
    managed_ = closesWindows_ = false;
    stackingTopFirst_.clear();
    childrenTopFirst_.clear();
    rootChildren_.clear();
}

template <class Reply, class Cookie>
std::unique_ptr<Reply, void (*)(void*)>
X11Desktop::wait(Reply* (*read)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie cookie) {
    // Every request sent so far goes out with this wait, so a later wait for
    // one of them costs no further round trip.
    if (int32_t(cookie.sequence - waitedUpTo_) > 0) {
        ++roundTrips_;
        waitedUpTo_ = lastSent_;
    }
    xcb_generic_error_t* error = nullptr;
    Reply* reply = read(c_, cookie, &error);
    // A window that went away answers BadWindow, which is a normal answer here.
    std::free(error);
    return {reply, std::free};
}

xcb_get_property_cookie_t X11Desktop::property(xcb_window_t window, xcb_atom_t name,
                                               xcb_atom_t type, uint32_t longs) {
    return sent(xcb_get_property(c_, 0, window, name, type, 0, longs));
}

void X11Desktop::watch(xcb_window_t window, uint32_t events) {
    sent(xcb_change_window_attributes(c_, window, XCB_CW_EVENT_MASK, &events));
}

void X11Desktop::update() {
    if (!c_ || xcb_connection_has_error(c_)) {
        if (c_ && !lossReported_) {
            qCWarning(lcX11,
                      "the connection to the X display is lost (%s); "
                      "no window is watched until it comes back",
                      connectionError(xcb_connection_has_error(c_)));
            lossReported_ = true;
        }
        startAgain();
        if (std::chrono::steady_clock::now() - lastAttempt_ < ReconnectPause) return;
        close();
        if (!open()) return;
    }
    takeEvents();
    for (int round = 0; round < MaxRounds && somethingToFetch(); ++round)
        fetchRound();
    // Waiting for the replies reads the events that came before them into
    // xcb's queue, and the socket does not announce those again: taken now,
    // or a window mapped meanwhile would wait for some later event.
    takeEvents();
}

void X11Desktop::takeEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
        place(event);
        std::free(event);
    }
    // A connection that has failed stays readable; the next tick deals with it.
    const bool failed = xcb_connection_has_error(c_) != 0;
    if (notifier_ && failed) notifier_->setEnabled(false);
    // Events mark what to ask; the tick that asks must come.
    if (failed || somethingToFetch()) changesArrived();
}

// Marks what an event says has changed; the replies to the requests that
// follow say what is true. An event that the server sent before it read our
// last requests about the same thing is already answered by their replies
// (an event carries the number of the last request of ours the server had
// read). Events about windows the model no longer holds were on their way
// when it let them go.
void X11Desktop::place(const xcb_generic_event_t* event) {
    const uint32_t sequence = event->full_sequence;
    auto markRoot = [&](uint8_t parts) {
        rootPending_ |= uint8_t(stillToAsk(parts, sequence, rootAskedAt_));
    };
    switch (event->response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: {
        auto* e = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        const xcb_atom_t a = e->atom;
        if (e->window == root_ || e->window == checkWindow_) {
            if (a == ewmh_._NET_SUPPORTING_WM_CHECK) startAgain();
            if (a == ewmh_._NET_CLIENT_LIST_STACKING) markRoot(Stacking);
            if (a == ewmh_._NET_SUPPORTED) markRoot(Supported);
            return;
        }
        const uint16_t part = a == ewmh_._NET_WM_NAME         ? NetName
                              : a == XCB_ATOM_WM_NAME         ? WmName
                              : a == wmState_                 ? WmState
                              : a == ewmh_._NET_WM_STATE      ? NetState
                              : a == ewmh_._NET_FRAME_EXTENTS ? Frame
                              : a == gtkFrameExtents_         ? Shadow
                              : a == ewmh_.WM_PROTOCOLS       ? Protocols
                                                              : 0;
        if (part) touchClient(e->window, part, sequence);
        return;
    }
    case XCB_CONFIGURE_NOTIFY: {
        auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        // Without a window manager the root's children are the walk, and a
        // configure may have restacked them.
        if (e->event == root_ && !managed_) markRoot(Tree);
        if (e->event == e->window) touchClient(e->window, Geometry | Origin, sequence);
        touchHeldClients(e->window, Origin, sequence);
        return;
    }
    case XCB_GRAVITY_NOTIFY: {
        auto* e = reinterpret_cast<const xcb_gravity_notify_event_t*>(event);
        touchClient(e->window, Origin, sequence);
        touchHeldClients(e->window, Origin, sequence);
        return;
    }
    case XCB_MAP_NOTIFY:
    case XCB_UNMAP_NOTIFY: {
        // The window field lies at the same place in both.
        auto* e = reinterpret_cast<const xcb_map_notify_event_t*>(event);
        touchClient(e->window, MapState, sequence);
        return;
    }
    case XCB_DESTROY_NOTIFY: {
        auto* e = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        if (e->event == root_) markRoot(Tree);
        if (e->window == checkWindow_) startAgain(); // the window manager has ended
        // The id is free again, and the server may give it to a new window
        // of another client: what stands behind it is asked about afresh.
        if (auto it = clients_.find(e->window); it != clients_.end()) {
            it->second = Client{};
            if (gone_) gone_(e->window);
        }
        touchHeldClients(e->window, Parent | Origin, sequence);
        return;
    }
    case XCB_REPARENT_NOTIFY: {
        auto* e = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
        if (e->event == root_) markRoot(Tree);
        touchClient(e->window, Parent | Origin | Geometry, sequence);
        touchHeldClients(e->window, Parent | Origin, sequence);
        return;
    }
    case XCB_CREATE_NOTIFY: {
        auto* e = reinterpret_cast<const xcb_create_notify_event_t*>(event);
        if (e->parent == root_) markRoot(Tree);
        return;
    }
    case XCB_CIRCULATE_NOTIFY:
        if (!managed_) markRoot(Tree);
        return;
    default:
        // Errors of requests about windows that have gone, and events of no
        // concern to the walk.
        return;
    }
}

void X11Desktop::touchClient(xcb_window_t window, uint16_t parts, uint32_t sequence) {
    auto it = clients_.find(window);
    if (it == clients_.end()) return;
    it->second.pending |= stillToAsk(parts, sequence, it->second.askedAt);
}

// The clients inside the window: they move with it on the screen, and lose
// their way up to the root when it goes.
void X11Desktop::touchHeldClients(xcb_window_t ancestor, uint16_t parts, uint32_t sequence) {
    for (auto& [window, c] : clients_)
        if (std::find(c.ancestors.begin(), c.ancestors.end(), ancestor) != c.ancestors.end())
            touchClient(window, parts, sequence);
}

bool X11Desktop::somethingToFetch() const {
    if (rootPending_ || checkToVerify_) return true;
    return std::any_of(clients_.begin(), clients_.end(),
                       [](const auto& entry) { return entry.second.pending != 0; });
}

// One round trip: every request that the marks call for, then every reply.
void X11Desktop::fetchRound() {
    RootReplies root = sendRoot();
    inFlight_.clear();
    for (auto& [window, client] : clients_)
        if (client.pending) {
            sendClient(window, client);
            inFlight_.back().window = window;
        }
    readRoot(root);
    for (ClientReplies& replies : inFlight_)
        readClient(replies);
    if (orderChanged_ && !checkToVerify_) applyOrder();
    xcb_flush(c_);
}

X11Desktop::RootReplies X11Desktop::sendRoot() {
    RootReplies r;
    noteAsked(rootPending_, lastSent_ + 1, rootAskedAt_);
    if (rootPending_ & Check)
        r.check = property(root_, ewmh_._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1);
    if (rootPending_ & Stacking)
        r.stacking = property(root_, ewmh_._NET_CLIENT_LIST_STACKING, XCB_ATOM_WINDOW, AllLongs);
    if (rootPending_ & Supported)
        r.supported = property(root_, ewmh_._NET_SUPPORTED, XCB_ATOM_ATOM, AllLongs);
    if (rootPending_ & Tree) r.tree = sent(xcb_query_tree(c_, root_));
    rootPending_ = 0;
    if (checkToVerify_) {
        // A window manager that has died leaves its check on the root; a live
        // one keeps a window that names itself. Watched from now on, so that
        // its end is seen.
        watch(checkToVerify_, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
        r.verify = property(checkToVerify_, ewmh_._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1);
        r.verified = checkToVerify_;
        checkToVerify_ = 0;
    }
    return r;
}

void X11Desktop::readRoot(RootReplies& r) {
    if (r.check) {
        auto reply = wait(xcb_get_property_reply, *r.check);
        auto found = longsOf(reply.get());
        checkToVerify_ = found.empty() ? 0 : found[0];
        if (!checkToVerify_) managed_ = false;
        orderChanged_ = true;
    }
    if (r.verify) {
        auto reply = wait(xcb_get_property_reply, *r.verify);
        auto self = longsOf(reply.get());
        managed_ = !self.empty() && self[0] == r.verified;
        checkWindow_ = managed_ ? r.verified : 0;
        orderChanged_ = true;
    }
    if (r.stacking) {
        auto reply = wait(xcb_get_property_reply, *r.stacking);
        auto bottomFirst = longsOf(reply.get());
        stackingTopFirst_.assign(bottomFirst.rbegin(), bottomFirst.rend());
        orderChanged_ = true;
    }
    if (r.supported) {
        auto reply = wait(xcb_get_property_reply, *r.supported);
        closesWindows_ = holds(longsOf(reply.get()), ewmh_._NET_CLOSE_WINDOW);
    }
    if (r.tree) {
        auto reply = wait(xcb_query_tree_reply, *r.tree);
        const xcb_window_t* children = reply ? xcb_query_tree_children(reply.get()) : nullptr;
        const int count = reply ? xcb_query_tree_children_length(reply.get()) : 0;
        // The server lists the children bottom first.
        childrenTopFirst_.assign(std::reverse_iterator(children + count),
                                 std::reverse_iterator(children));
        rootChildren_ = {children, children + count};
        orderChanged_ = true;
    }
}

void X11Desktop::sendClient(xcb_window_t window, Client& client) {
    // Asked before its properties are read, so that no later change goes unseen.
    if (!client.watched) {
        watch(window, ClientEvents);
        client.watched = true;
    }
    ClientReplies& r = inFlight_.emplace_back();
    const uint16_t p = r.asked = client.pending;
    noteAsked(p, lastSent_ + 1, client.askedAt);
    client.pending = 0;
    if (p & NetName) r.netName = property(window, ewmh_._NET_WM_NAME, ewmh_.UTF8_STRING, AllLongs);
    if (p & WmName)
        r.wmName = property(window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, AllLongs);
    if (p & WmState) r.wmState = property(window, wmState_, wmState_, 2);
    if (p & NetState) r.netState = property(window, ewmh_._NET_WM_STATE, XCB_ATOM_ATOM, 64);
    if (p & Frame) r.frame = property(window, ewmh_._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4);
    if (p & Shadow) r.shadow = property(window, gtkFrameExtents_, XCB_ATOM_CARDINAL, 4);
    if (p & Protocols) r.protocols = property(window, ewmh_.WM_PROTOCOLS, XCB_ATOM_ATOM, 64);
    if (p & Geometry) r.geometry = sent(xcb_get_geometry(c_, window));
    if (p & Origin) r.origin = sent(xcb_translate_coordinates(c_, window, root_, 0, 0));
    if (p & MapState) r.attributes = sent(xcb_get_window_attributes(c_, window));
    if (p & Parent) r.parent = sent(xcb_query_tree(c_, window));
    if ((p & Climb) && !(p & Parent) && !client.ancestors.empty())
        r.climb = sent(xcb_query_tree(c_, client.ancestors.back()));
}

namespace {
std::array<int32_t, 4> extentsOf(const xcb_get_property_reply_t* reply) {
    auto values = longsOf(reply);
    if (values.size() != 4) return {};
    return {int32_t(values[0]), int32_t(values[1]), int32_t(values[2]), int32_t(values[3])};
}
} // namespace

void X11Desktop::readClient(ClientReplies& r) {
    auto it = clients_.find(r.window);
    const uint16_t p = r.asked;
    // Every reply is read, also those of a window found gone on the way.
    bool gone = false;
    auto propertyReply = [&](xcb_get_property_cookie_t cookie) {
        auto reply = wait(xcb_get_property_reply, cookie);
        gone |= !reply;
        return reply;
    };
    Client& c = it->second;
    if (p & NetName) {
        auto reply = propertyReply(r.netName);
        if (reply && reply->type == ewmh_.UTF8_STRING)
            c.netWmName = std::string(x11::bytesOf(reply.get()));
        else
            c.netWmName.reset();
    }
    if (p & WmName) {
        auto reply = propertyReply(r.wmName);
        std::string_view raw = x11::bytesOf(reply.get());
        const xcb_atom_t type = reply ? reply->type : xcb_atom_t(XCB_ATOM_NONE);
        c.wmName = type == ewmh_.UTF8_STRING ? std::string(raw)
                   : type == XCB_ATOM_STRING ? x11::legacyTitle(raw)
                   : type == compoundText_   ? x11::compoundTitle(raw)
                                             : std::string();
    }
    if (p & WmState) {
        auto reply = propertyReply(r.wmState);
        auto values = longsOf(reply.get());
        c.wmState = values.empty() ? std::nullopt : std::optional<uint32_t>(values[0]);
    }
    if (p & NetState)
        c.hidden = holds(longsOf(propertyReply(r.netState).get()), ewmh_._NET_WM_STATE_HIDDEN);
    if (p & Frame) c.frame = extentsOf(propertyReply(r.frame).get());
    if (p & Shadow) c.shadow = extentsOf(propertyReply(r.shadow).get());
    if (p & Protocols)
        c.deletable = holds(longsOf(propertyReply(r.protocols).get()), wmDeleteWindow_);
    if (p & Geometry) {
        auto reply = wait(xcb_get_geometry_reply, r.geometry);
        gone |= !reply;
        if (reply) {
            c.width = reply->width;
            c.height = reply->height;
            c.border = reply->border_width;
        }
    }
    if (p & Origin) {
        auto reply = wait(xcb_translate_coordinates_reply, r.origin);
        gone |= !reply;
        if (reply) {
            c.x = reply->dst_x;
            c.y = reply->dst_y;
        }
    }
    if (p & MapState) {
        auto reply = wait(xcb_get_window_attributes_reply, r.attributes);
        gone |= !reply;
        c.mapped = reply && reply->map_state != XCB_MAP_STATE_UNMAPPED;
    }
    if (p & Parent) {
        auto reply = wait(xcb_query_tree_reply, r.parent);
        gone |= !reply;
        c.ancestors.clear();
        if (reply && reply->parent != root_) {
            c.ancestors.push_back(reply->parent);
            if (!rootChildren_.contains(reply->parent)) c.pending |= Climb;
        }
    }
    if ((p & Climb) && !(p & Parent) && !c.ancestors.empty()) {
        // An ancestor below a child of the root: its moves inside its parent
        // reach us only from itself, so it is watched from now on; what moved
        // meanwhile is read again.
        auto reply = wait(xcb_query_tree_reply, r.climb);
        if (reply && reply->parent != root_) {
            c.ancestors.push_back(reply->parent);
            if (!rootChildren_.contains(reply->parent)) c.pending |= Climb;
        }
    }
    if (c.pending & Climb) {
        watch(c.ancestors.back(), XCB_EVENT_MASK_STRUCTURE_NOTIFY);
        c.pending |= Origin;
    }
    if (gone) {
        c = Client{};
        c.gone = true;
        c.pending = 0;
    }
    publish(r.window, c);
}

// The answers the scan reads, from what the server said.
void X11Desktop::publish(xcb_window_t window, const Client& c) {
    ModelWindow& m = entry(window);
    if (c.gone) {
        m = ModelWindow{};
        m.visible = false;
        return;
    }
    m.title = c.netWmName ? *c.netWmName : c.wmName;
    m.iconic = c.wmState == XCB_ICCCM_WM_STATE_ICONIC || c.hidden;
    // A window manager unmaps a minimised client, which is still "visible" in
    // the sense of the scan, and marks a withdrawn one; without a window
    // manager, a mapped window is a visible one.
    m.visible =
        c.wmState ? c.wmState == XCB_ICCCM_WM_STATE_NORMAL || m.iconic : c.mapped || m.iconic;
    // The window manager's frame lies around the client; a client that draws
    // its own decorations includes an invisible shadow margin, which is not
    // part of the window.
    std::array<int32_t, 4> grow{};
    for (std::size_t i = 0; i < 4; ++i)
        grow[i] = c.border + c.frame[i] - c.shadow[i];
    m.rect = {c.x - grow[0], c.y - grow[2], c.x + c.width + grow[1], c.y + c.height + grow[3]};
}

// The walk's order from the list that now holds: new windows are asked
// about whole, windows that left it are let go.
void X11Desktop::applyOrder() {
    orderChanged_ = false;
    const std::vector<WindowHandle>& list = managed_ ? stackingTopFirst_ : childrenTopFirst_;
    std::unordered_set<xcb_window_t> listed(list.begin(), list.end());
    for (auto it = clients_.begin(); it != clients_.end();) {
        if (listed.contains(it->first)) {
            ++it;
            continue;
        }
        if (!it->second.gone) {
            const uint32_t none = 0;
            sent(xcb_change_window_attributes(c_, it->first, XCB_CW_EVENT_MASK, &none));
        }
        it = clients_.erase(it);
    }
    setOrder(list);
    for (WindowHandle w : list) {
        auto [it, added] = clients_.try_emplace(w);
        if (added)
            entry(w).visible = false; // until it is read
        else if (it->second.gone)
            it->second = Client{}; // its id may stand for a new window by now
    }
}

CloseRequest X11Desktop::requestClose(WindowHandle window) {
    auto it = clients_.find(window);
    if (!c_ || it == clients_.end() || it->second.gone || !it->second.deletable)
        return CloseRequest::Refused;
    if (managed_ && closesWindows_) {
        sent(xcb_ewmh_request_close_window(&ewmh_, screen_, window, XCB_CURRENT_TIME,
                                           XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER));
    } else {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = ewmh_.WM_PROTOCOLS;
        event.data.data32[0] = wmDeleteWindow_;
        event.data.data32[1] = XCB_CURRENT_TIME;
        sent(xcb_send_event(c_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                            reinterpret_cast<const char*>(&event)));
    }
    return sentIf(xcb_flush(c_) > 0);
}

} // namespace vornel
