#include "blocking/desktops/x11_desktop.h"

#include "common/text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <xcb/xcb_icccm.h>

namespace vornel {

namespace {

// List properties are read whole: far more windows than any desktop holds.
constexpr uint32_t AllLongs = 1u << 20;
// Titles read ahead during a walk: more than the scan's 5000-byte buffer.
constexpr uint32_t TitleBytesAhead = 8192;
// An answer read ahead is not handed out after this: a caller outside the
// scan that happens to ask about the same window then gets a fresh one.
constexpr auto AheadLifetime = std::chrono::milliseconds(100);

std::string_view bytesOf(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 8) return {};
    return {static_cast<const char*>(xcb_get_property_value(reply)),
            std::size_t(xcb_get_property_value_length(reply))};
}

std::span<const uint32_t> longsOf(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 32) return {};
    return {static_cast<const uint32_t*>(xcb_get_property_value(reply)),
            std::size_t(xcb_get_property_value_length(reply)) / 4};
}

bool holds(std::span<const uint32_t> values, uint32_t value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// Well-formed UTF-8 with at least one multi-byte sequence; a sequence cut
// short by the end of the text is allowed, since long titles arrive cut.
bool isMultibyteUtf8(std::string_view text) {
    bool multibyte = false;
    for (std::size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80                   ? 1
                             : lead >= 0xC2 && lead < 0xE0 ? 2
                             : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xF0 && lead < 0xF5 ? 4
                                                           : 0;
        if (length == 0) return false;
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        multibyte |= length > 1;
        i += length;
    }
    return multibyte;
}

std::string latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char ch : text) {
        auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x80) {
            out += ch;
        } else {
            out += char(0xC0 | (byte >> 6));
            out += char(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

// WM_NAME of type STRING is Latin-1 by the rules, but many older clients
// (xlogo among them) store their UTF-8 title there unchanged. Latin-1 text
// that also reads as multi-byte UTF-8 is all but unknown, so such a title is
// taken as the UTF-8 it plainly is.
std::string legacyTitle(std::string_view text) {
    return isMultibyteUtf8(text) ? std::string(text) : latin1ToUtf8(text);
}

// Compound text starts out as Latin-1 and switches character sets with escape
// sequences; UTF-8 runs arrive between ESC % G and ESC % @. Dropping the
// sequences keeps both kinds readable.
std::string withoutEscapes(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\x1b') {
            out += text[i];
            continue;
        }
        while (i + 1 < text.size() && text[i + 1] >= 0x20 && text[i + 1] <= 0x2F)
            ++i;
        ++i; // the final byte
    }
    return out;
}

} // namespace

// The state and the title come in two steps: the properties that modern
// clients and window managers set, then, only for the windows that lack them,
// the older ones. The second step costs a round trip only when some window
// needs it.
struct X11Desktop::StateRequests {
    xcb_get_property_cookie_t wmState{};
    // Asked up front when IsIconic will be called, else only for the windows
    // whose visibility hangs on it.
    std::optional<xcb_get_property_cookie_t> netWmState;
    std::optional<xcb_get_window_attributes_cookie_t> attributes; // without WM_STATE
    std::optional<uint32_t> icccm;                                // WM_STATE's state
    bool gone = false;
};

struct X11Desktop::TitleRequests {
    WindowHandle window;
    uint32_t longs;
    xcb_get_property_cookie_t netWmName;
    std::optional<xcb_get_property_cookie_t> wmName; // without _NET_WM_NAME
    Title title;
};

struct X11Desktop::RectRequests {
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    xcb_get_property_cookie_t frame, clientSideFrame;
};

std::unique_ptr<X11Desktop> X11Desktop::connect(const std::string& display) {
    int screen = 0;
    xcb_connection_t* c = xcb_connect(display.empty() ? nullptr : display.c_str(), &screen);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    std::unique_ptr<X11Desktop> desktop(new X11Desktop(c, screen));
    if (!desktop->root_) return nullptr;
    return desktop;
}

X11Desktop::X11Desktop(xcb_connection_t* connection, int screen)
    : c_(connection), screen_(screen), root_(0) {
    const char* names[] = {"WM_STATE", "WM_DELETE_WINDOW", "_GTK_FRAME_EXTENTS", "COMPOUND_TEXT"};
    xcb_intern_atom_cookie_t ours[4];
    for (int i = 0; i < 4; ++i)
        ours[i] = xcb_intern_atom(c_, 0, uint16_t(std::strlen(names[i])), names[i]);
    xcb_intern_atom_cookie_t* theirs = xcb_ewmh_init_atoms(c_, &ewmh_);
    xcb_atom_t* atoms[] = {&wmState_, &wmDeleteWindow_, &gtkFrameExtents_, &compoundText_};
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        auto reply = wait(xcb_intern_atom_reply, ours[i]);
        *atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        ok &= bool(reply);
    }
    ok &= xcb_ewmh_init_atoms_replies(&ewmh_, theirs, nullptr) != 0;
    if (ok && screen_ < ewmh_.nb_screens) root_ = ewmh_.screens[screen_]->root;
    roundTrips_ = 0; // the set-up is not part of any walk
}

X11Desktop::~X11Desktop() {
    if (root_) xcb_ewmh_connection_wipe(&ewmh_);
    xcb_disconnect(c_);
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

xcb_get_property_cookie_t X11Desktop::property(WindowHandle window, xcb_atom_t name,
                                               xcb_atom_t type, uint32_t longs) {
    return sent(xcb_get_property(c_, 0, window, name, type, 0, longs));
}

// Nothing asks for events on this connection; what arrives is the errors of
// close requests to windows that had gone, and they must not pile up.
void X11Desktop::discardEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c_))
        std::free(event);
}

void X11Desktop::reportLostConnection() {
    if (lossReported_ || !xcb_connection_has_error(c_)) return;
    std::fprintf(stderr, "vornel: the connection to the X display is lost; "
                         "no window is watched any more\n");
    lossReported_ = true;
}

X11Desktop::WindowManager X11Desktop::fetchWindowManager() {
    WindowManager wm;
    auto check = property(root_, ewmh_._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1);
    auto stacking = property(root_, ewmh_._NET_CLIENT_LIST_STACKING, XCB_ATOM_WINDOW, AllLongs);
    auto supported = property(root_, ewmh_._NET_SUPPORTED, XCB_ATOM_ATOM, AllLongs);
    // A window manager that has died leaves its check on the root; a live one
    // keeps a window that names itself. The window manager seldom changes, so
    // the last one found is asked at once, saving a round trip on each walk.
    std::optional<xcb_get_property_cookie_t> guess;
    if (lastCheckWindow_)
        guess = property(lastCheckWindow_, ewmh_._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1);
    auto checkReply = wait(xcb_get_property_reply, check);
    auto stackingReply = wait(xcb_get_property_reply, stacking);
    auto supportedReply = wait(xcb_get_property_reply, supported);

    auto checkWindow = longsOf(checkReply.get());
    const xcb_window_t found = checkWindow.empty() ? 0 : checkWindow[0];
    if (guess && found != lastCheckWindow_) {
        xcb_discard_reply(c_, guess->sequence);
        guess.reset();
    }
    if (found) {
        auto own = wait(
            xcb_get_property_reply,
            guess ? *guess : property(found, ewmh_._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1));
        auto self = longsOf(own.get());
        wm.managed = !self.empty() && self[0] == found;
    }
    lastCheckWindow_ = wm.managed ? found : 0;
    if (!wm.managed) {
        wm.topFirst = rootChildrenTopFirst();
        return wm;
    }
    wm.closesWindows = holds(longsOf(supportedReply.get()), ewmh_._NET_CLOSE_WINDOW);
    auto bottomFirst = longsOf(stackingReply.get());
    wm.topFirst.assign(bottomFirst.rbegin(), bottomFirst.rend());
    return wm;
}

std::vector<WindowHandle> X11Desktop::rootChildrenTopFirst() {
    auto tree = wait(xcb_query_tree_reply, sent(xcb_query_tree(c_, root_)));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    int count = xcb_query_tree_children_length(tree.get());
    // The server lists the children bottom first.
    return {std::reverse_iterator(children + count), std::reverse_iterator(children)};
}

X11Desktop::StateRequests X11Desktop::sendState(WindowHandle window, bool hiddenAsked) {
    StateRequests requests;
    requests.wmState = property(window, wmState_, wmState_, 2);
    if (hiddenAsked) requests.netWmState = property(window, ewmh_._NET_WM_STATE, XCB_ATOM_ATOM, 64);
    return requests;
}

void X11Desktop::followUp(StateRequests& requests, WindowHandle window) {
    auto wmState = wait(xcb_get_property_reply, requests.wmState);
    if (!wmState) { // gone
        requests.gone = true;
        return;
    }
    auto icccm = longsOf(wmState.get());
    if (!icccm.empty()) requests.icccm = icccm[0];
    // A normal or minimised window is visible whatever _NET_WM_STATE says.
    const bool settled =
        requests.icccm == XCB_ICCCM_WM_STATE_NORMAL || requests.icccm == XCB_ICCCM_WM_STATE_ICONIC;
    if (!settled && !requests.netWmState)
        requests.netWmState = property(window, ewmh_._NET_WM_STATE, XCB_ATOM_ATOM, 64);
    if (!requests.icccm) requests.attributes = sent(xcb_get_window_attributes(c_, window));
}

X11Desktop::State X11Desktop::finish(StateRequests& requests) {
    bool hidden = false;
    if (requests.netWmState) {
        auto netWmState = wait(xcb_get_property_reply, *requests.netWmState);
        hidden = holds(longsOf(netWmState.get()), ewmh_._NET_WM_STATE_HIDDEN);
    }
    if (requests.gone) return {};
    State state;
    state.iconic = requests.icccm == XCB_ICCCM_WM_STATE_ICONIC || hidden;
    // A window manager unmaps a minimised client, which is still "visible" in
    // the sense of the scan, and marks a withdrawn one; without a window
    // manager, a mapped window is a visible one.
    if (requests.icccm) {
        state.visible = requests.icccm == XCB_ICCCM_WM_STATE_NORMAL || state.iconic;
    } else {
        auto attributes = wait(xcb_get_window_attributes_reply, *requests.attributes);
        state.visible =
            attributes && (attributes->map_state != XCB_MAP_STATE_UNMAPPED || state.iconic);
    }
    return state;
}

X11Desktop::TitleRequests X11Desktop::sendTitle(WindowHandle window, uint32_t maxBytes) {
    uint32_t longs = (maxBytes + 3) / 4;
    return {window,
            longs,
            property(window, ewmh_._NET_WM_NAME, ewmh_.UTF8_STRING, longs),
            std::nullopt,
            {}};
}

void X11Desktop::followUp(TitleRequests& requests) {
    auto netWmName = wait(xcb_get_property_reply, requests.netWmName);
    if (!netWmName) return; // gone
    if (netWmName->type == ewmh_.UTF8_STRING)
        requests.title = {std::string(bytesOf(netWmName.get())), netWmName->bytes_after == 0};
    else
        requests.wmName =
            property(requests.window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, requests.longs);
}

X11Desktop::Title X11Desktop::finish(TitleRequests& requests) {
    if (!requests.wmName) return requests.title;
    auto wmName = wait(xcb_get_property_reply, *requests.wmName);
    if (!wmName) return {};
    std::string_view raw = bytesOf(wmName.get());
    bool complete = wmName->bytes_after == 0;
    if (wmName->type == ewmh_.UTF8_STRING) return {std::string(raw), complete};
    if (wmName->type == XCB_ATOM_STRING) return {legacyTitle(raw), complete};
    if (wmName->type == compoundText_) return {legacyTitle(withoutEscapes(raw)), complete};
    return {};
}

X11Desktop::State X11Desktop::readState(WindowHandle window) {
    StateRequests requests = sendState(window, true);
    followUp(requests, window);
    return finish(requests);
}

X11Desktop::Title X11Desktop::readTitle(WindowHandle window, uint32_t maxBytes) {
    TitleRequests requests = sendTitle(window, maxBytes);
    followUp(requests);
    return finish(requests);
}

X11Desktop::RectRequests X11Desktop::sendRect(WindowHandle window) {
    return {sent(xcb_get_geometry(c_, window)),
            sent(xcb_translate_coordinates(c_, window, root_, 0, 0)),
            property(window, ewmh_._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4),
            property(window, gtkFrameExtents_, XCB_ATOM_CARDINAL, 4)};
}

WindowRect X11Desktop::readRect(const RectRequests& requests) {
    auto geometry = wait(xcb_get_geometry_reply, requests.geometry);
    auto origin = wait(xcb_translate_coordinates_reply, requests.origin);
    auto frame = wait(xcb_get_property_reply, requests.frame);
    auto clientSide = wait(xcb_get_property_reply, requests.clientSideFrame);
    if (!geometry || !origin) return {};
    // Extents are left, right, top, bottom. The window manager's frame lies
    // around the client; a client that draws its own decorations includes an
    // invisible shadow margin, which is not part of the window.
    int32_t grow[4] = {geometry->border_width, geometry->border_width, geometry->border_width,
                       geometry->border_width};
    auto frameExtents = longsOf(frame.get());
    auto shadow = longsOf(clientSide.get());
    for (std::size_t i = 0; i < 4; ++i) {
        if (frameExtents.size() == 4) grow[i] += int32_t(frameExtents[i]);
        if (shadow.size() == 4) grow[i] -= int32_t(shadow[i]);
    }
    const int32_t x = origin->dst_x, y = origin->dst_y;
    return {x - grow[0], y - grow[2], x + geometry->width + grow[1],
            y + geometry->height + grow[3]};
}

bool X11Desktop::deletable(WindowHandle window) {
    auto protocols =
        wait(xcb_get_property_reply, property(window, ewmh_.WM_PROTOCOLS, XCB_ATOM_ATOM, 64));
    return holds(longsOf(protocols.get()), wmDeleteWindow_);
}

X11Desktop::Ahead* X11Desktop::ahead(WindowHandle window) {
    if (std::chrono::steady_clock::now() - aheadTime_ > AheadLifetime) ahead_.clear();
    auto it = std::lower_bound(ahead_.begin(), ahead_.end(), window,
                               [](const auto& entry, WindowHandle w) { return entry.first < w; });
    return it == ahead_.end() || it->first != window ? nullptr : &it->second;
}

void X11Desktop::keepAnswersFromNow() {
    std::sort(ahead_.begin(), ahead_.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    aheadTime_ = std::chrono::steady_clock::now();
}

namespace {
// Hands out an answer read ahead once.
template <class T> std::optional<T> take(std::optional<T>& answer) {
    std::optional<T> out = std::move(answer);
    answer.reset();
    return out;
}
} // namespace

void X11Desktop::beginWalk(bool minimisedAsked) {
    discardEvents();
    reportLostConnection();
    wm_ = fetchWindowManager();
    wmKnown_ = true;
    listFresh_ = true;

    const std::vector<WindowHandle>& list = wm_.topFirst;
    std::vector<StateRequests>& states = stateRequests_;
    std::vector<TitleRequests>& titles = titleRequests_;
    states.clear();
    titles.clear();
    for (WindowHandle w : list) {
        states.push_back(sendState(w, minimisedAsked));
        titles.push_back(sendTitle(w, TitleBytesAhead));
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        followUp(states[i], list[i]);
        followUp(titles[i]);
    }
    ahead_.clear();
    for (std::size_t i = 0; i < list.size(); ++i) {
        State state = finish(states[i]);
        // Without _NET_WM_STATE the answer is not known; IsIconic then asks afresh.
        std::optional<bool> iconic;
        if (states[i].netWmState || states[i].gone) iconic = state.iconic;
        ahead_.push_back({list[i], {state.visible, iconic, finish(titles[i]), {}}});
    }
    keepAnswersFromNow();
}

void X11Desktop::rereadWindows(std::span<const WindowHandle> windows) {
    std::vector<TitleRequests>& titles = titleRequests_;
    std::vector<RectRequests>& rects = rectRequests_;
    titles.clear();
    rects.clear();
    for (WindowHandle w : windows) {
        titles.push_back(sendTitle(w, TitleBytesAhead));
        rects.push_back(sendRect(w));
    }
    for (TitleRequests& title : titles)
        followUp(title);
    ahead_.clear();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        WindowRect rect = readRect(rects[i]);
        ahead_.push_back({windows[i], {{}, {}, finish(titles[i]), rect}});
    }
    keepAnswersFromNow();
}

WindowHandle X11Desktop::GetWindow(WindowHandle from, unsigned command) {
    std::vector<WindowHandle>& list = wm_.topFirst;
    if (command == GW_HWNDFIRST) {
        if (!listFresh_) {
            wm_ = fetchWindowManager();
            wmKnown_ = true;
        }
        listFresh_ = false;
        walkIndex_ = 0;
        return list.empty() ? 0 : list.front();
    }
    if (command != GW_HWNDNEXT) return 0;
    if (walkIndex_ >= list.size() || list[walkIndex_] != from) {
        auto it = std::find(list.begin(), list.end(), from);
        if (it == list.end()) return 0;
        walkIndex_ = std::size_t(it - list.begin());
    }
    ++walkIndex_;
    return walkIndex_ < list.size() ? list[walkIndex_] : 0;
}

bool X11Desktop::IsWindowVisible(WindowHandle window) {
    Ahead* answers = ahead(window);
    if (auto visible = answers ? take(answers->visible) : std::nullopt) return *visible;
    return readState(window).visible;
}

bool X11Desktop::IsIconic(WindowHandle window) {
    Ahead* answers = ahead(window);
    if (auto iconic = answers ? take(answers->iconic) : std::nullopt) return *iconic;
    return readState(window).iconic;
}

int X11Desktop::GetWindowTextA(WindowHandle window, char* buffer, int maxCount) {
    if (maxCount <= 0) return 0;
    const auto limit = std::size_t(maxCount - 1);
    Ahead* answers = ahead(window);
    std::optional<Title> title = answers ? take(answers->title) : std::nullopt;
    // A title read ahead may have been cut shorter than this buffer allows.
    if (!title || (!title->complete && title->text.size() < limit))
        title = readTitle(window, uint32_t(limit));
    std::string_view text = cutUtf8(title->text, limit);
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return int(text.size());
}

WindowRect X11Desktop::GetWindowRect(WindowHandle window) {
    Ahead* answers = ahead(window);
    if (auto rect = answers ? take(answers->rect) : std::nullopt) return *rect;
    return readRect(sendRect(window));
}

bool X11Desktop::PostClose(WindowHandle window) {
    discardEvents();
    // One round trip per closing, which is rare, rather than one more request
    // per candidate on every tick.
    if (!deletable(window)) return false;
    if (!wmKnown_) {
        wm_ = fetchWindowManager();
        wmKnown_ = true;
    }
    if (wm_.managed && wm_.closesWindows) {
        xcb_ewmh_request_close_window(&ewmh_, screen_, window, XCB_CURRENT_TIME,
                                      XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    } else {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = ewmh_.WM_PROTOCOLS;
        event.data.data32[0] = wmDeleteWindow_;
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
    }
    return xcb_flush(c_) > 0;
}

} // namespace vornel
