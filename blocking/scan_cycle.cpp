#include "blocking/scan_cycle.h"

#include "blocking/alert_sound.h"
#include "blocking/list_rows.h"
#include "common/date_text.h"
#include "common/log_categories.h"
#include "common/main_window_page.h"
#include "common/memo_lines.h"
#include "common/same_rows.h"
#include "common/text.h"
#include "settings/line_escape.h"
#include "settings/log_file.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStringList>
#include <QTabWidget>
#include <algorithm>

namespace vornel {

using std::chrono::milliseconds;

namespace {
// Most windows go within a second of the first request, and until then one
// may have missed it, so it is repeated at every tick. After that, once a
// second; after ten seconds a window that stays is not going to go, and
// asking on would only keep waking its program.
constexpr milliseconds AskEveryTickFor{1000}, AskAgainAfter{1000}, StopAskingAfter{10000};
} // namespace

bool FenetreNavigateur(std::string_view title, const std::vector<std::string>& browserNames) {
    if (title.find("Vornel") != std::string_view::npos) return false;
    for (const std::string& name : browserNames)
        if (containsText(title, name)) return true;
    return false;
}

void addOneTo(QLabel* counter) {
    auto value = uint32_t(wholeNumberOr(counter->text().toStdString(), 0)) + 1u;
    counter->setText(QString::number(int32_t(value)));
}

ScanCycle::ScanCycle(Desktop& desktop, const CloseRules& rules, AlertSound& sound,
                     ScanControls controls, std::function<WindowHandle()> ownWindow)
    : desktop_(desktop), rules_(rules), sound_(sound), c_(controls),
      ownWindow_(std::move(ownWindow)) {
    now = [] { return QDateTime::currentDateTime(); };
    steadyClock = [] {
        return std::chrono::duration_cast<milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    };
    candidates_.reserve(MaxCandidates);
    polled_ = !desktop_.watchChanges([this] { wake(); });
    // Told from the middle of a tick too: kept for the next walk rather than
    // struck from under the request being made.
    desktop_.watchGone([this](WindowHandle window) {
        if (asked_.contains(window)) destroyed_.push_back(window);
    });
}

ScanCycle::~ScanCycle() {
    if (!polled_) desktop_.watchChanges({});
    desktop_.watchGone({});
}

void ScanCycle::wake() {
    changed_ = true;
    if (woken) woken();
}

bool ScanCycle::moreToDo() const {
    return polled_ || changed_ || asking() || portsPageOnShow();
}

// A window asked to close in the last ten seconds is asked again while it
// stays and matches; after that, or once refused, only a change of its own
// (an event) has it asked again.
bool ScanCycle::asking() const {
    const milliseconds time = steadyClock();
    return std::ranges::any_of(asked_, [time](const auto& entry) {
        const Asked& asked = entry.second;
        return !asked.resting && asked.firstRequest && time - *asked.firstRequest < StopAskingAfter;
    });
}

void ScanCycle::readBrowserNames() {
    browserNames_.clear();
    for (const QString& line : memoLines(c_.mFen))
        browserNames_.push_back(line.toStdString());
}

// The walk: every visible top-level window, top of the Z order first; the
// browser windows among them become candidates. Past MaxCandidates the rest
// wait for the next tick.
void ScanCycle::walk() {
    candidates_.clear();
    walked_.clear();
    walkVisible([this](WindowHandle h, std::string_view title) {
        if (!FenetreNavigateur(title, browserNames_)) {
            if (telling_) tellPassedOver(h, title);
        } else if (candidates_.size() < MaxCandidates) {
            candidates_.push_back(h);
        }
        if (telling_) walked_.push_back(h);
    });
}

// Minimised windows are left out when the option says so.
void ScanCycle::walkVisible(const std::function<void(WindowHandle, std::string_view)>& seen) {
    const bool skipMinimised = c_.cbReduite->isChecked();
    desktop_.beginWalk(skipMinimised);
    for (WindowHandle h = desktop_.GetWindow(ownWindow_(), GW_HWNDFIRST); h != 0;
         h = desktop_.GetWindow(h, GW_HWNDNEXT)) {
        if (!desktop_.IsWindowVisible(h)) continue;
        if (skipMinimised && desktop_.IsIconic(h)) continue;
        int length = desktop_.GetWindowTextA(h, title_.data(), TitleBufferSize);
        seen(h, {title_.data(), std::size_t(length)});
    }
}

// The number of the first rule that holds for the window, 0 when none does,
// after reading its title and outer rectangle afresh.
int ScanCycle::firstRuleHolding(const CloseRules& rules, WindowHandle window,
                                std::string_view& title, WindowRect& rect) {
    int length = desktop_.GetWindowTextA(window, title_.data(), TitleBufferSize);
    title = {title_.data(), std::size_t(length)};
    rect = desktop_.GetWindowRect(window);
    return rules.firstMatch(title, rect.width(), rect.height(), desktop_.sizeKnown(window));
}

void ScanCycle::Timer() {
    // What changes from here on may come too late for this tick's walk.
    changed_ = false;
    telling_ = lcScan().isDebugEnabled();
    if (!telling_) told_.clear();
    readBrowserNames();
    walk();

    QStringList unmatched;
    desktop_.rereadWindows(candidates_);
    forgetDestroyedWindows();
    for (WindowHandle h : candidates_) {
        std::string_view title;
        WindowRect r;
        const int rule = firstRuleHolding(rules_, h, title, r);
        const Request request = rule == 0 ? Request::NotDue : askToClose(h, title, r);
        if (rule == 0) unmatched.append(QString::number(h));
        if (request == Request::First) countClosing(rule);
        if (telling_) tellDecision(h, title, r, rule, request);
    }
    forgetGoneWindows();
    showCandidates(unmatched);

    if (portsPageOnShow() && refreshPorts) refreshPorts();
}

// A walk of the socket tables costs the interface thread dearly with many
// sockets: it is made only for a page someone can see, not for a window
// closed, hidden or minimised on that page.
bool ScanCycle::portsPageOnShow() const {
    const QWidget* window = c_.PC->window();
    return c_.PC->currentIndex() == pageIndex(Page::Ports) && window->isVisible() &&
           !window->isMinimized();
}

std::vector<HeldWindow> ScanCycle::windowsHeldBy(const TCond& rule) {
    readBrowserNames();
    std::vector<HeldWindow> held;
    std::vector<WindowHandle> walked;
    walkVisible([&](WindowHandle h, std::string_view title) {
        held.push_back({h, {}, FenetreNavigateur(title, browserNames_)});
        walked.push_back(h);
    });
    desktop_.rereadWindows(walked);
    CloseRules justThisRule;
    justThisRule.append(rule);
    std::erase_if(held, [&](HeldWindow& w) {
        std::string_view title;
        WindowRect r;
        if (firstRuleHolding(justThisRule, w.window, title, r) == 0) return true;
        w.title = title;
        return false;
    });
    return held;
}

// A match is asked to close when it is due. Its closing counts from the first
// request that goes out to it. A request the desktop refuses (one that would
// get the window's program killed) counts for nothing and is not repeated
// until the window changes. One the desktop cannot decide before another
// program answers is made again at each tick until it has.
ScanCycle::Request ScanCycle::askToClose(WindowHandle window, std::string_view title,
                                         WindowRect rect) {
    Asked& asked = asked_[window];
    const milliseconds time = steadyClock();
    if (!asked.pending && !dueForRequest(asked, title, rect, time)) return Request::NotDue;
    const CloseRequest request = desktop_.PostClose(window);
    asked.pending = request == CloseRequest::Pending;
    if (asked.pending) return Request::NotDue;
    const bool sent = request == CloseRequest::Sent;
    asked.lastRequest = time;
    asked.title = title;
    asked.width = rect.width();
    asked.height = rect.height();
    asked.resting = !sent;
    if (!sent) return Request::Refused;
    if (asked.counted) return Request::Again;
    asked.counted = true;
    return Request::First;
}

// At every tick in the first second of asking, then once a second, and after
// ten seconds no more. A window refused or asked that long is asked again only
// once its title or size has changed, which starts another ten seconds.
bool ScanCycle::dueForRequest(Asked& asked, std::string_view title, WindowRect rect,
                              milliseconds time) {
    if (asked.resting) {
        if (title == asked.title && rect.width() == asked.width && rect.height() == asked.height)
            return false;
        asked.resting = false;
        asked.firstRequest.reset();
    }
    if (!asked.firstRequest) {
        asked.firstRequest = time;
        return true;
    }
    const milliseconds asking = time - *asked.firstRequest;
    if (asking >= StopAskingAfter) {
        asked.resting = true;
        return false;
    }
    return asking < AskEveryTickFor || time - asked.lastRequest >= AskAgainAfter;
}

// A closing: count it, announce it, log it, in that order.
void ScanCycle::countClosing(int ruleNumber) {
    addOneTo(c_.lNbre);
    addOneTo(c_.lTotal);
    sound_.play(c_.eSon->text().toStdString());
    // A rule made from a window may hold the line break of its title: the
    // line is then stored in the settings file's one-line form, so that one
    // closing stays one line of the log.
    std::string line =
        oneLineValue(dateTimeText(now()) + " : " + TexteCond(rules_.rule(ruleNumber)));
    insertFirstLine(c_.mLog, QString::fromStdString(line));
    // What the load would read back of it: a resident that runs for weeks
    // neither keeps nor rewrites more.
    keepFirstLines(c_.mLog, MaxLogLines);
    if (closed) closed();
}

// A window the walk no longer finds is gone, and a window that comes later
// under its handle is another. Those remembered are few: matched windows still
// on screen.
void ScanCycle::forgetGoneWindows() {
    std::erase_if(asked_, [this](const auto& entry) {
        return std::ranges::find(candidates_, entry.first) == candidates_.end();
    });
    std::erase_if(told_, [this](const auto& entry) {
        return std::ranges::find(walked_, entry.first) == walked_.end();
    });
}

namespace {

QString windowText(WindowHandle window, std::string_view title) {
    return QStringLiteral("window %1 \"%2\"")
        .arg(QString::number(window), QString::fromUtf8(title.data(), qsizetype(title.size())));
}

} // namespace

// Why a window the walk found is no candidate.
void ScanCycle::tellPassedOver(WindowHandle window, std::string_view title) {
    const bool own = title.find("Vornel") != std::string_view::npos;
    tell(window, own ? PassedOverOwn : PassedOver, [&] {
        return windowText(window, title) +
               (own ? QStringLiteral(": holds \"Vornel\", never a browser window")
                    : QStringLiteral(": not a browser window (no browser name in its title)"));
    });
}

// What the rules made of a browser window, and what became of the close
// request. A request not due yet changes nothing of what was told.
void ScanCycle::tellDecision(WindowHandle window, std::string_view title, WindowRect rect, int rule,
                             Request request) {
    if (rule != 0 && request == Request::NotDue) return;
    const bool refused = request == Request::Refused;
    const int decision =
        rule == 0 ? (rules_.count() == 0 ? NoRules : NoRuleHolds) : 2 * rule + (refused ? 1 : 0);
    tell(window, decision, [&] {
        QString line = windowText(window, title);
        line += desktop_.sizeKnown(window)
                    ? QStringLiteral(" %1 x %2").arg(rect.width()).arg(rect.height())
                    : QStringLiteral(" (size unknown)");
        if (rule == 0)
            return line + (decision == NoRules ? QStringLiteral(": no rule (the list is empty)")
                                               : QStringLiteral(": no rule holds"));
        return line + QStringLiteral(": rule %1 holds (%2): %3")
                          .arg(QString::number(rule),
                               QString::fromStdString(TexteCond(rules_.rule(rule))),
                               refused ? QStringLiteral("the desktop refuses to close it")
                                       : QStringLiteral("close request sent"));
    });
}

// A decision is told once for a window, not at every tick, nor again when
// only its title or size changed and the decision stayed; its line is made
// only then.
void ScanCycle::tell(WindowHandle window, int decision, const std::function<QString()>& line) {
    auto [last, first] = told_.try_emplace(window, decision);
    if (!first && last->second == decision) return;
    last->second = decision;
    qCDebug(lcScan, "%s", qUtf8Printable(line()));
}

// A window destroyed since the walk before, whatever now stands under its
// handle, is done with: the walk and the reread have taken in what the desktop
// had heard.
void ScanCycle::forgetDestroyedWindows() {
    for (WindowHandle window : destroyed_)
        asked_.erase(window);
    destroyed_.clear();
}

// The candidate list is rebuilt whole, redrawn once, and its selection kept
// on the window chosen, wherever its line is now: a click then acts on the
// window the user saw, and a window gone takes its selection with it. The
// rows go in with one insertion: the view lays itself out once per
// insertion, and fifty of them cost more than the rest of the tick's own
// work. Rows the same as those shown are left as they are, which is what the
// rebuild would make of them, without laying the view out.
void ScanCycle::showCandidates(const QStringList& rows) {
    QListWidget* lb1 = c_.lb1;
    if (sameRows(lb1, rows)) return;
    lb1->setUpdatesEnabled(false);
    const QSignalBlocker quiet(lb1);
    const int selected = selectedRow(lb1);
    const QString chosen = selected >= 0 ? lb1->item(selected)->text() : QString();
    lb1->clear();
    lb1->addItems(rows);
    lb1->setCurrentRow(chosen.isEmpty() ? -1 : int(rows.indexOf(chosen)));
    lb1->setUpdatesEnabled(true);
}

} // namespace vornel
