#pragma once

#include "blocking/desktop.h"

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vornel {

// What a desktop knows of one top-level window.
struct ModelWindow {
    std::string title; // UTF-8, whole; cut only when it is read
    WindowRect rect;   // outer rectangle, window frame included
    bool visible = true;
    bool iconic = false;
    bool sizeKnown = true; // false where the desktop cannot tell sizes
};

// A desktop that answers from a table of the top-level windows, kept current
// from the window system's events rather than asked again on every tick. Each
// window system feeds it in its own way; the scan only sees the Desktop calls,
// which never wait on the window system.
//
// beginWalk and rereadWindows are where a desktop takes in what has changed
// since the last tick (update()); an idle desktop does nothing there. The
// scan's own reads right after them are answered from the table as it is:
// after beginWalk, whether each window is visible or minimised and its title;
// after rereadWindows, the title and rectangle of the windows it names; each
// once, and a close request to them. Any other call - a second
// question about the same window, the rule editor, the drawing of the
// candidate list, a call long after the tick - takes in what has arrived
// first, so that no caller sees an answer older than the events received.
//
// The order is top of the stacking order first. A walk goes over the order as
// it was at GW_HWNDFIRST, so that a change taken in mid-walk neither ends it
// early nor makes it visit a window twice.
class WindowModel : public Desktop {
public:
    WindowHandle GetWindow(WindowHandle from, unsigned command) override;
    bool IsWindowVisible(WindowHandle window) override;
    bool IsIconic(WindowHandle window) override;
    int GetWindowTextA(WindowHandle window, char* buffer, int maxCount) override;
    WindowRect GetWindowRect(WindowHandle window) override;
    CloseRequest PostClose(WindowHandle window) override;
    bool sizeKnown(WindowHandle window) override;
    void beginWalk(bool minimisedAsked = true) override;
    void rereadWindows(std::span<const WindowHandle> windows) override;

    // The window as the model holds it; null for one it does not know.
    const ModelWindow* find(WindowHandle window) const;
    // Every window, top first.
    const std::vector<WindowHandle>& topFirst() const { return order_; }

    // What the user must know of this desktop, in French; empty while all
    // works.
    const std::string& notice() const { return notice_; }
    void watchNotice(std::function<void(const std::string&)> changed) override;
    // Every change to the table is told: a model is fed by events.
    bool watchChanges(std::function<void()> changed) override;

protected:
    // Takes in the changes that arrived since the last call.
    virtual void update() {}
    // Sends the polite close request of the window system (see PostClose).
    virtual CloseRequest requestClose(WindowHandle window) = 0;

    // The stacking order, top first; windows not in it are forgotten.
    void setOrder(std::vector<WindowHandle> topFirst);
    // The window's entry, added at the bottom when it is new.
    ModelWindow& entry(WindowHandle window);
    void forget(WindowHandle window);
    void forgetAll();
    // For news that update() will take in: tells the watcher of changes
    // that the table does not hold yet. Every change to the table is told
    // without it.
    void changesArrived();
    // Tells the watcher of a changed notice; with none watching (a one-time
    // look), a notice goes to stderr.
    void setNotice(std::string notice);
    // The notice of a program the desktop relies on besides its window
    // system (XWayland), told after the desktop's own.
    void setSideNotice(std::string notice);
    // For such a program's answers: its notice as it stands, and a change
    // for the next walk to take in.
    std::function<void(const std::string&)> sideNews() {
        return [this](const std::string& notice) {
            setSideNotice(notice);
            changesArrived();
        };
    }

private:
    enum Answer { Visible, Iconic, Title, Rect, Close, AnswerCount };
    struct Slot {
        ModelWindow window;
        // The hint after which each answer was last handed out.
        std::array<uint32_t, AnswerCount> servedAfter{};
        uint32_t rereadIn = 0; // the rereadWindows hint that named the window
    };

    // The window's entry as it stands after the events received so far.
    const ModelWindow* current(WindowHandle window, Answer answer);
    bool readAhead(const Slot& slot, Answer answer) const;
    void hinted();
    void tellNotice();

    std::vector<WindowHandle> order_;
    std::unordered_map<WindowHandle, Slot> windows_;

    std::vector<WindowHandle> walk_; // the order as the current walk found it
    std::size_t walkIndex_ = 0;
    bool walkTakenIn_ = false; // beginWalk has taken in for the coming walk
    uint32_t hint_ = 1, walkHint_ = 0;
    std::chrono::steady_clock::time_point hintTime_;

    std::string notice_; // as told: the desktop's own, then the side notice
    std::string ownNotice_, sideNotice_;
    std::function<void(const std::string&)> noticeChanged_;
    std::function<void()> changesWatcher_;
};

} // namespace vornel
