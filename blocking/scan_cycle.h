#pragma once

#include "blocking/close_rules.h"
#include "blocking/desktop.h"

#include <QDateTime>
#include <QStringList>
#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QCheckBox;

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTabWidget;

namespace vornel {

class AlertSound;

// The controls of the main window that a scan reads and writes.
struct ScanControls {
    QLabel* lNbre = nullptr;
    QLabel* lTotal = nullptr;
    QPlainTextEdit* mLog = nullptr;
    QListWidget* lb1 = nullptr;
    QPlainTextEdit* mFen = nullptr;
    QCheckBox* cbReduite = nullptr;
    QLineEdit* eSon = nullptr;
    QTabWidget* PC = nullptr;
};

// Is this the title of a browser window? Some line of the browser-name list
// occurs in it (case-sensitive, an empty line never does) and it does not
// hold the program's own name.
bool FenetreNavigateur(std::string_view title, const std::vector<std::string>& browserNames);

// A window that a rule holds for, as a tick would find it now.
struct HeldWindow {
    WindowHandle window = 0;
    std::string title;
    bool browser = false; // only browser windows are ever closed
};

// One counter caption plus one, a caption that is not a whole number counting
// as 0. Wraps at the 32-bit limit instead of overflowing.
void addOneTo(QLabel* counter);

// The periodic pass: walk the desktop's windows, keep the visible browser
// windows, test each against the rules, close and count and log the matching
// ones and list the others as candidates.
//
// A window may take a while to go, or never go. It is counted, announced and
// logged once, when the first close request goes out to it; while it stays it
// is asked again, for ten seconds at most. Once the walk no longer finds it,
// it is forgotten, so a new window under the same handle counts again; so is
// one the desktop says was destroyed, even when a new window took its handle
// before the next walk.
class ScanCycle {
public:
    static constexpr int TitleBufferSize = 5000;
    static constexpr int MaxCandidates = 5000;

    ScanCycle(Desktop& desktop, const CloseRules& rules, AlertSound& sound, ScanControls controls,
              std::function<WindowHandle()> ownWindow);
    ~ScanCycle();
    ScanCycle(const ScanCycle&) = delete;
    ScanCycle& operator=(const ScanCycle&) = delete;

    // One tick of Timer1.
    void Timer();

    // Whether another tick would have work: the desktop has told of a change
    // since this tick began (or cannot tell, and is asked every time), a
    // window is still being asked to close, or the ports page is on show.
    // Otherwise a tick would find what the last one found.
    bool moreToDo() const;
    // Something a tick reads has changed: the rules, the browser names, an
    // option, the page on show. The desktop's changes come here too.
    void wake();
    // Hears every wake, also one in the middle of a tick.
    std::function<void()> woken;

    // The windows rule holds for at this moment, top first: every window a
    // tick walks, browser window or not, tested as a tick tests it. Lets the
    // rule editor tell what a rule would close before it is stored.
    std::vector<HeldWindow> windowsHeldBy(const TCond& rule);

    // Run at the end of a tick while the ports page is the current page of a
    // window on show (neither hidden nor minimised).
    std::function<void()> refreshPorts;
    // Run after each closing is counted and logged.
    std::function<void()> closed;
    // The clock of the log lines.
    std::function<QDateTime()> now;
    // The clock of the close requests: time from a fixed start, never going back.
    std::function<std::chrono::milliseconds()> steadyClock;

private:
    // A matched window the scan has asked to close, kept while the walk finds it.
    struct Asked {
        bool counted = false; // a request went out: its closing is counted
        bool resting = false; // refused, or asked long enough: waits for a change
        bool pending = false; // the desktop has not decided the last request yet
        std::optional<std::chrono::milliseconds> firstRequest; // of this round of requests
        std::chrono::milliseconds lastRequest{0};
        std::string title; // title and size at the last request
        int32_t width = 0, height = 0;
    };
    // What a due close request came to.
    enum class Request { NotDue, First, Again, Refused };

    void readBrowserNames();
    bool portsPageOnShow() const;
    bool asking() const;
    void walk();
    void walkVisible(const std::function<void(WindowHandle, std::string_view)>& seen);
    int firstRuleHolding(const CloseRules& rules, WindowHandle window, std::string_view& title,
                         WindowRect& rect);
    Request askToClose(WindowHandle window, std::string_view title, WindowRect rect);
    static bool dueForRequest(Asked& asked, std::string_view title, WindowRect rect,
                              std::chrono::milliseconds time);
    void countClosing(int ruleNumber);
    void forgetGoneWindows();
    void forgetDestroyedWindows();
    void showCandidates(const QStringList& rows);
    void tellPassedOver(WindowHandle window, std::string_view title);
    void tellDecision(WindowHandle window, std::string_view title, WindowRect rect, int rule,
                      Request request);
    // A decision: 2 x rule number (+1 when refused), or why no rule was tried.
    enum NoRule { PassedOverOwn = -4, PassedOver, NoRules, NoRuleHolds };
    void tell(WindowHandle window, int decision, const std::function<QString()>& line);

    Desktop& desktop_;
    const CloseRules& rules_;
    AlertSound& sound_;
    ScanControls c_;
    std::function<WindowHandle()> ownWindow_;
    bool polled_ = true;  // the desktop tells no changes
    bool changed_ = true; // since the current tick began

    std::vector<std::string> browserNames_;
    std::vector<WindowHandle> candidates_;
    std::array<char, TitleBufferSize> title_{};
    std::unordered_map<WindowHandle, Asked> asked_;
    std::vector<WindowHandle> destroyed_; // of those asked, since the last tick's walk
    // With the scan's debug lines on: the decision last told of each window,
    // and the windows of the tick's walk, which are all it need remember.
    bool telling_ = false;
    std::unordered_map<WindowHandle, int> told_;
    std::vector<WindowHandle> walked_;
};

} // namespace vornel
