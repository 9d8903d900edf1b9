#include "blocking/scan_cycle.h"

#include "blocking/alert_sound.h"
#include "blocking/list_rows.h"
#include "common/date_text.h"
#include "common/memo_lines.h"
#include "common/same_rows.h"
#include "common/text.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStringList>
#include <QTabWidget>

namespace vornel {

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
    candidates_.reserve(MaxCandidates);
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
    const bool skipMinimised = c_.cbReduite->isChecked();
    desktop_.beginWalk(skipMinimised);
    for (WindowHandle h = desktop_.GetWindow(ownWindow_(), GW_HWNDFIRST); h != 0;
         h = desktop_.GetWindow(h, GW_HWNDNEXT)) {
        if (!desktop_.IsWindowVisible(h)) continue;
        if (skipMinimised && desktop_.IsIconic(h)) continue;
        int length = desktop_.GetWindowTextA(h, title_.data(), TitleBufferSize);
        if (FenetreNavigateur({title_.data(), std::size_t(length)}, browserNames_) &&
            candidates_.size() < MaxCandidates)
            candidates_.push_back(h);
    }
}

// A match: count it, announce it, ask the window to close, log it, in that order.
void ScanCycle::closeWindow(WindowHandle window, int ruleNumber) {
    addOneTo(c_.lNbre);
    addOneTo(c_.lTotal);
    sound_.play(c_.eSon->text().toStdString());
    desktop_.PostClose(window);
    std::string line = dateTimeText(now()) + " : " + TexteCond(rules_.rule(ruleNumber));
    insertFirstLine(c_.mLog, QString::fromStdString(line));
}

void ScanCycle::Timer() {
    readBrowserNames();
    walk();

    QStringList unmatched;
    desktop_.rereadWindows(candidates_);
    for (WindowHandle h : candidates_) {
        int length = desktop_.GetWindowTextA(h, title_.data(), TitleBufferSize);
        WindowRect r = desktop_.GetWindowRect(h);
        int rule = rules_.firstMatch({title_.data(), std::size_t(length)}, r.width(), r.height(),
                                     desktop_.sizeKnown(h));
        if (rule != 0)
            closeWindow(h, rule);
        else
            unmatched.append(QString::number(h));
    }
    showCandidates(unmatched);

    if (c_.PC->currentIndex() == 3 && refreshPorts) refreshPorts();
}

// The candidate list is rebuilt whole, redrawn once, and its selection kept
// by position, not by window. The rows go in with one insertion: the view lays
// itself out once per insertion, and fifty of them cost more than the rest of
// the tick's own work. Rows the same as those shown are left as they are,
// which is what the rebuild would make of them, without laying the view out.
void ScanCycle::showCandidates(const QStringList& rows) {
    QListWidget* lb1 = c_.lb1;
    if (sameRows(lb1, rows)) return;
    lb1->setUpdatesEnabled(false);
    const QSignalBlocker quiet(lb1);
    const int selected = selectedRow(lb1);
    lb1->clear();
    lb1->addItems(rows);
    lb1->setCurrentRow(selected < lb1->count() ? selected : -1);
    lb1->setUpdatesEnabled(true);
}

} // namespace vornel
