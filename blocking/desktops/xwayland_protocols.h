#pragma once

#include "blocking/desktop.h"

#include <QObject>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace vornel {

// What a Wayland desktop must ask XWayland before it closes one of its
// windows: compositors close an X window that lacks WM_DELETE_WINDOW by
// killing its client, which the program never does.
//
// xcb waits for every answer without end, and an XWayland that does not
// answer (its compositor stopped, or busy) must not hold the program up. So
// each question runs on a thread of its own, with a connection of its own
// for that one question (a connection kept open would keep an idle XWayland
// from ending), and its answer comes back through the event loop. A close
// needs the answer first: the desktop says the request is pending, and takes
// the answer when the scan asks again.
enum class XAnswer { Yes, No, Unknown }; // Unknown: XWayland could not be asked

class XWaylandQuestions {
public:
    // Questions go to display ($DISPLAY when empty). answered runs on the
    // program's thread when an answer has come in, or a question's time is
    // up (whoever asked may now take it), or a question given up on has
    // ended; it hears notice() as it then stands.
    XWaylandQuestions(std::string display, std::function<void(const std::string& notice)> answered);
    ~XWaylandQuestions();
    XWaylandQuestions(const XWaylandQuestions&) = delete;
    XWaylandQuestions& operator=(const XWaylandQuestions&) = delete;

    const std::string& display() const { return display_; }
    // What the user must know while XWayland does not answer, in French;
    // empty while it does.
    std::string notice() const;

    // Each asks about window, the scan's handle. It returns the answer when
    // the same question about it has been answered since it was asked, and
    // takes it: each close is decided afresh. Otherwise it asks, unless that
    // question is out already or too many others are, and returns nothing
    // yet. A question still out after QuestionLimit counts as answered
    // Unknown; while one is stuck so, every other is answered Unknown at once.

    // Yes when the X window lists WM_DELETE_WINDOW.
    std::optional<XAnswer> listsDeleteWindow(WindowHandle window, uint32_t xWindow);
    // Yes when some managed X window with this title lacks WM_DELETE_WINDOW.
    // Unknown also when no display is named ($DISPLAY when display is
    // empty) while an XWayland of this user runs. No when none is named and
    // no XWayland of this user runs: there is no X window then, and none can
    // be killed.
    std::optional<XAnswer> titledLacksDeleteWindow(WindowHandle window, const std::string& title);
    // For a window known to be an X window whose id KWin does not give, by
    // the title KWin shows: Yes when XWayland holds at least one managed
    // window that KWin shows with this title and every one of them lists
    // WM_DELETE_WINDOW. KWin makes runs of blanks one and drops what does
    // not print, so "Pub  X" is shown as "Pub X" too.
    std::optional<XAnswer> titledListDeleteWindow(WindowHandle window, const std::string& title);

    // Sends the X window WM_DELETE_WINDOW, as a window manager does, if it
    // lists it, and returns at once; false while XWayland is stuck. Never
    // sent once past QuestionLimit. For a desktop whose own close would kill
    // the program of such a window, once listsDeleteWindow has said Yes: the
    // window may be gone before a confirmation could be taken.
    bool sendDeleteWindow(uint32_t xWindow);

    // Long enough for a busy machine's XWayland, whose answers a refusal
    // would cost: a window refused is asked again only once it changes.
    static constexpr std::chrono::milliseconds QuestionLimit{1000};

    // The question's state, as its thread and the limit race for it.
    enum State { Running, Finished, GivenUp };
    using Question =
        std::function<XAnswer(const std::string& display, const std::atomic<int>& state)>;

private:
    struct Asked {
        std::string key; // the question and what it names
        uint64_t serial = 0;
        std::optional<XAnswer> answer;
        std::chrono::steady_clock::time_point since;
    };
    struct Channel;

    std::optional<XAnswer> ask(WindowHandle window, std::string key, Question question);
    bool start(WindowHandle window, uint64_t serial, Question question);
    void arrived(WindowHandle window, uint64_t serial, XAnswer answer);

    std::string display_;
    std::function<void(const std::string&)> answered_;
    std::unordered_map<WindowHandle, Asked> asked_;
    uint64_t serial_ = 0;
    QObject receiver_; // answers reach the program's thread through it
    std::shared_ptr<Channel> channel_;
};

} // namespace vornel
