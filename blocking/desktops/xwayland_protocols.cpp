#include "blocking/desktops/xwayland_protocols.h"

#include "common/log_categories.h"
#include "common/program_language.h"

#include <QMetaObject>
#include <QString>
#include <QTimer>
#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>
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

    // latin1, when given, hears whether the text is of type STRING.
    std::string text(xcb_window_t window, xcb_atom_t name, bool* latin1 = nullptr) {
        auto reply = property(window, name, XCB_GET_PROPERTY_TYPE_ANY);
        if (!reply || reply->format != 8) return {};
        if (latin1) *latin1 = reply->type == XCB_ATOM_STRING;
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

    // Not sent once the caller has stopped waiting for it: a close that
    // comes too late would be counted by nobody.
    bool sendDeleteWindow(xcb_window_t window, const std::atomic<int>& question) {
        if (!listsDeleteWindow(window) || question == XWaylandQuestions::GivenUp) return false;
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("WM_PROTOCOLS");
        event.data.data32[0] = atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
        // Answered, so processed: a server drops what a client sent just
        // before its connection closed, and the close would be lost.
        const Reply<xcb_get_input_focus_reply_t> synced(
            xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr), &std::free);
        return synced != nullptr;
    }

    xcb_window_t root() { return xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root; }

private:
    int screen_ = 0;
    xcb_connection_t* c_;
};

// Whether an XWayland server of this user runs, whichever compositor started
// it (wlroots starts it detached from itself).
bool xwaylandRuns() {
    DIR* proc = opendir("/proc");
    if (!proc) return true; // cannot tell: as if it ran
    bool found = false;
    while (dirent* entry = readdir(proc)) {
        if (found || entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        const std::string dir = std::string("/proc/") + entry->d_name;
        struct stat s {};
        if (stat(dir.c_str(), &s) != 0 || s.st_uid != getuid()) continue;
        std::ifstream comm(dir + "/comm");
        std::string name;
        std::getline(comm, name);
        found = name == "Xwayland";
    }
    closedir(proc);
    return found;
}

// How a title is compared with the X windows' own.
enum class Titles { Raw, AsKWinShows };

// An X window's title as KWin gives it to scripts: blanks trimmed and their
// runs made one space, then every character that does not print dropped.
std::string asKWinShows(const std::string& raw, bool latin1) {
    const QString simplified =
        (latin1 ? QString::fromLatin1(raw) : QString::fromUtf8(raw)).simplified();
    QString shown;
    for (char32_t c : simplified.toUcs4())
        if (QChar::isPrint(c)) shown += QString::fromUcs4(&c, 1);
    return shown.toStdString();
}

// The managed X windows titled title: how many, and how many of them lack
// WM_DELETE_WINDOW. Nothing when that cannot be known: a display is named
// ($DISPLAY when display is empty) but does not answer, or none is named
// while an XWayland of this user runs. None of either when no display is
// named and no XWayland runs: there is no X window then.
std::optional<std::pair<int, int>>
titledWindows(const std::string& display, const std::string& title, Titles titles = Titles::Raw) {
    const char* fromEnvironment = std::getenv("DISPLAY");
    if (display.empty() && (!fromEnvironment || !*fromEnvironment)) {
        if (xwaylandRuns()) return std::nullopt;
        return std::pair{0, 0};
    }
    Connection x(display);
    if (!x.ok()) return std::nullopt;
    const xcb_atom_t netName = x.atom("_NET_WM_NAME");
    int titled = 0, lacking = 0;
    for (uint32_t window : x.longs(x.root(), x.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW)) {
        bool latin1 = false;
        std::string name = netName != XCB_ATOM_NONE ? x.text(window, netName) : std::string();
        if (name.empty()) name = x.text(window, XCB_ATOM_WM_NAME, &latin1);
        if (titles == Titles::AsKWinShows) name = asKWinShows(name, latin1);
        if (name != title) continue;
        ++titled;
        if (!x.listsDeleteWindow(window)) ++lacking;
    }
    return std::pair{titled, lacking};
}

XAnswer answerOf(bool yes) {
    return yes ? XAnswer::Yes : XAnswer::No;
}

// The given-up questions whose threads XWayland still holds, of every
// desktop: XWayland is not asked again while one is.
std::atomic<int> stuckQuestions{0};
// The questions out, of every desktop. A few at a time, so that a tick that
// finds many windows to close does not start a thread for each; the others
// are asked at a later tick.
std::atomic<int> questionsOut{0};
constexpr int MostQuestionsOut = 4;

} // namespace

// Where a question's thread hands its answer over: to the receiver while it
// lives. The lock keeps it from going while an answer is being posted to it.
struct XWaylandQuestions::Channel {
    std::mutex lock;
    QObject* receiver = nullptr;

    // Runs then on the receiver's thread, if the receiver is still there.
    void post(std::function<void()> then) {
        const std::lock_guard hold(lock);
        if (receiver) QMetaObject::invokeMethod(receiver, std::move(then), Qt::QueuedConnection);
    }
};

XWaylandQuestions::XWaylandQuestions(std::string display,
                                     std::function<void(const std::string&)> answered)
    : display_(std::move(display)), answered_(std::move(answered)),
      channel_(std::make_shared<Channel>()) {
    channel_->receiver = &receiver_;
}

XWaylandQuestions::~XWaylandQuestions() {
    const std::lock_guard hold(channel_->lock);
    channel_->receiver = nullptr;
}

std::optional<XAnswer> XWaylandQuestions::ask(WindowHandle window, std::string key,
                                              Question question) {
    const auto now = std::chrono::steady_clock::now();
    // An answer nobody came back for is not one to act on later.
    std::erase_if(asked_, [now](const auto& entry) {
        return entry.second.answer && now - entry.second.since > 2 * QuestionLimit;
    });
    if (auto it = asked_.find(window); it != asked_.end()) {
        if (!it->second.answer) return std::nullopt; // one question at a time for a window
        const bool same = it->second.key == key;
        const XAnswer answer = *it->second.answer;
        asked_.erase(it);
        if (same) return answer;
    }
    if (stuckQuestions > 0) return XAnswer::Unknown;
    if (questionsOut >= MostQuestionsOut) return std::nullopt;
    const uint64_t serial = ++serial_;
    asked_[window] = {std::move(key), serial, std::nullopt, now};
    if (!start(window, serial, std::move(question))) {
        asked_.erase(window);
        return XAnswer::Unknown;
    }
    return std::nullopt;
}

// The question on a thread of its own, and its limit on the program's thread.
// False when no thread could be made.
bool XWaylandQuestions::start(WindowHandle window, uint64_t serial, Question question) {
    auto state = std::make_shared<std::atomic<int>>(Running);
    ++questionsOut;
    try {
        std::thread([this, channel = channel_, display = display_, question = std::move(question),
                     state, window, serial] {
            const XAnswer answer = question(display, *state);
            --questionsOut;
            int running = Running;
            if (state->compare_exchange_strong(running, Finished))
                return channel->post(
                    [this, window, serial, answer] { arrived(window, serial, answer); });
            // Given up on meanwhile: nobody awaits the answer, but XWayland
            // answers again.
            --stuckQuestions;
            channel->post([this] {
                if (answered_) answered_(notice());
            });
        }).detach();
    } catch (const std::system_error&) {
        --questionsOut;
        return false;
    }
    QTimer::singleShot(QuestionLimit, &receiver_, [this, state, window, serial] {
        ++stuckQuestions;
        int running = Running;
        if (!state->compare_exchange_strong(running, GivenUp)) {
            --stuckQuestions; // answered in time
            return;
        }
        qCWarning(lcDesktop, "XWayland (display \"%s\") did not answer within %d ms",
                  display_.c_str(), int(QuestionLimit.count()));
        arrived(window, serial, XAnswer::Unknown);
    });
    return true;
}

void XWaylandQuestions::arrived(WindowHandle window, uint64_t serial, XAnswer answer) {
    auto it = asked_.find(window);
    if (it != asked_.end() && it->second.serial == serial) {
        it->second.answer = answer;
        it->second.since = std::chrono::steady_clock::now();
    }
    if (answered_) answered_(notice());
}

std::string XWaylandQuestions::notice() const {
    if (stuckQuestions <= 0) return {};
    return programText("XWaylandQuestions",
                       "XWayland (écran « %1 ») ne répond pas : aucune fenêtre X11 n'est fermée "
                       "tant qu'il ne répond pas.")
        .arg(display_.empty() ? qEnvironmentVariable("DISPLAY") : QString::fromStdString(display_))
        .toStdString();
}

std::optional<XAnswer> XWaylandQuestions::listsDeleteWindow(WindowHandle window, uint32_t xWindow) {
    return ask(window, "lists " + std::to_string(xWindow),
               [xWindow](const std::string& display, const std::atomic<int>&) {
                   Connection x(display);
                   return answerOf(x.ok() && x.listsDeleteWindow(xWindow));
               });
}

// Started like a question, for no window: its answer is awaited by nobody,
// but its limit is kept, and its silence told.
bool XWaylandQuestions::sendDeleteWindow(uint32_t xWindow) {
    if (stuckQuestions > 0) return false;
    return start(0, 0, [xWindow](const std::string& display, const std::atomic<int>& state) {
        Connection x(display);
        return answerOf(x.ok() && x.sendDeleteWindow(xWindow, state));
    });
}

std::optional<XAnswer> XWaylandQuestions::titledLacksDeleteWindow(WindowHandle window,
                                                                  const std::string& title) {
    return ask(window, "lacks " + title,
               [title](const std::string& display, const std::atomic<int>&) {
                   const auto found = titledWindows(display, title);
                   return found ? answerOf(found->second > 0) : XAnswer::Unknown;
               });
}

std::optional<XAnswer> XWaylandQuestions::titledListDeleteWindow(WindowHandle window,
                                                                 const std::string& title) {
    // Two X windows that KWin shows alike may be the one it means.
    return ask(window, "list " + title,
               [title](const std::string& display, const std::atomic<int>&) {
                   const auto found =
                       titledWindows(display, asKWinShows(title, false), Titles::AsKWinShows);
                   if (!found) return XAnswer::Unknown;
                   return answerOf(found->first > 0 && found->second == 0);
               });
}

} // namespace vornel
