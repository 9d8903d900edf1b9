#include "blocking/alert_sound.h"
#include "blocking/scan_cycle.h"
#include "blocking/scripted_desktop.h"
#include "common/main_window_page.h"
#include "common/memo_lines.h"
#include "settings/line_escape.h"
#include "settings/log_file.h"
#include "support/qt_print.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <chrono>
#include <gtest/gtest.h>

using namespace vornel;
using std::chrono::milliseconds;

namespace {

const char* IE = " - Microsoft Internet Explorer";

// Remembers every play call and what the scan had done by then.
struct RecordingSound : AlertSound {
    struct Call {
        std::string name;
        QString runCount;
        std::size_t closesBefore;
        int logLinesBefore;
    };
    std::vector<Call> calls;
    std::function<Call(const std::string&)> record;
    void play(const std::string& name) override { calls.push_back(record(name)); }
};

class ScanTick : public ::testing::Test {
protected:
    ScanTick() {
        for (int i = 0; i < 7; ++i)
            PC.addTab(new QWidget, QString::number(i));
        lNbre.setText("0");
        lTotal.setText("0");
        mFen.setPlainText(IE);
        eSon.setText("/tmp/alert.wav");
        sound.record = [this](const std::string& name) {
            return RecordingSound::Call{name, lNbre.text(), desktop.closeRequests().size(),
                                        memoLineCount(&mLog)};
        };
        scan.now = [] { return QDateTime(QDate(2026, 12, 7), QTime(14, 30, 5)); };
        scan.steadyClock = [this] { return clock; };
    }

    // A tick at every 200 ms from 'from' to 'to', both included, on the steady clock.
    void ticks(int from, int to) {
        for (int ms = from; ms <= to; ms += 200) {
            clock = milliseconds(ms);
            scan.Timer();
        }
    }

    QStringList rows() const {
        QStringList out;
        for (int i = 0; i < lb1.count(); ++i)
            out << lb1.item(i)->text();
        return out;
    }
    static QString text(WindowHandle h) { return QString::number(h); }

    QLabel lNbre, lTotal;
    QPlainTextEdit mLog, mFen;
    QListWidget lb1;
    QCheckBox cbReduite;
    QLineEdit eSon;
    QTabWidget PC;
    ScriptedDesktop desktop;
    CloseRules rules;
    RecordingSound sound;
    milliseconds clock{0};
    ScanCycle scan{desktop, rules, sound,
                   ScanControls{&lNbre, &lTotal, &mLog, &lb1, &mFen, &cbReduite, &eSon, &PC},
                   [] { return WindowHandle(77); }};
};

} // namespace

TEST(FenetreNavigateur, BrowserTitleTest) {
    std::vector<std::string> names{" - Microsoft Internet Explorer"};
    EXPECT_TRUE(FenetreNavigateur("Pub - Microsoft Internet Explorer", names));
    EXPECT_FALSE(FenetreNavigateur("pub - microsoft internet explorer", names));
    EXPECT_FALSE(FenetreNavigateur("Vornel - Microsoft Internet Explorer", names));
    EXPECT_FALSE(FenetreNavigateur("Pub - Microsoft Internet Explorer", {}));
    EXPECT_FALSE(FenetreNavigateur("Pub", {""}));
    EXPECT_TRUE(FenetreNavigateur("a - Mozilla", {"", " - Netscape", " - Mozilla"}));

    std::vector<std::string> dash{" - "};
    EXPECT_TRUE(FenetreNavigateur("Terminal - bash", dash));
    EXPECT_FALSE(FenetreNavigateur("Vornel 2003.03 - about", dash));
    EXPECT_FALSE(FenetreNavigateur("Terminal-bash", dash));
}

TEST_F(ScanTick, ListsVisibleBrowserWindowsAndClosesMatchingOnes) {
    WindowHandle pub = desktop.add(std::string("Gagnez ! ") + IE, {10, 20, 410, 320});
    WindowHandle news = desktop.add(std::string("Les nouvelles") + IE);
    desktop.add("Terminal");
    WindowHandle hidden = desktop.add(std::string("Pub cachée") + IE);
    desktop.find(hidden)->visible = false;
    desktop.add(std::string("Vornel 2003.03") + IE);
    rules.append(TCond{"Y", "Y", "gagnez", 400, 300});
    rules.append(TCond{"Y", "N", "Gagnez", 0, 0}); // holds too: only rule 1 may be named

    scan.Timer();

    EXPECT_EQ(desktop.closeRequests(), std::vector<WindowHandle>{pub});
    EXPECT_EQ(rows(), QStringList({text(news)}));
    EXPECT_EQ(lNbre.text(), "1");
    EXPECT_EQ(lTotal.text(), "1");
    EXPECT_EQ(memoLines(&mLog),
              QStringList({"12/07/26 14:30:05 : Titre~\"gagnez\" et taille=\"400,300\""}));
    // The close request first, since only one that went out counts; then the
    // counters, the sound and the log.
    ASSERT_EQ(sound.calls.size(), 1u);
    EXPECT_EQ(sound.calls[0].name, "/tmp/alert.wav");
    EXPECT_EQ(sound.calls[0].runCount, "1");
    EXPECT_EQ(sound.calls[0].closesBefore, 1u);
    EXPECT_EQ(sound.calls[0].logLinesBefore, 0);
}

TEST_F(ScanTick, CountersAndLogAcrossTicks) {
    lTotal.setText("10");
    rules.append(TCond{"Y", "N", "casino", 1, 1});
    eSon.setText("");
    auto stubborn = [&](const std::string& title) {
        desktop.find(desktop.add(title + IE))->closesOnRequest = false;
    };

    stubborn("casino 1");
    scan.Timer();
    stubborn("casino 2");
    scan.Timer();
    scan.now = [] { return QDateTime(QDate(2026, 12, 8), QTime(0, 0, 0)); };
    stubborn("casino 3");
    scan.Timer();

    // Each window is counted once, however many ticks ask it to close, and the
    // sound call is made even with an empty name.
    EXPECT_EQ(desktop.closeRequests().size(), 1u + 2u + 3u);
    EXPECT_EQ(lNbre.text(), "3");
    EXPECT_EQ(lTotal.text(), "13");
    ASSERT_EQ(sound.calls.size(), 3u);
    EXPECT_EQ(sound.calls[2].name, "");
    QStringList log = memoLines(&mLog);
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log[0], "12/08/26 : Titre~\"casino\" "); // midnight: the date alone
    EXPECT_EQ(log[1], "12/07/26 14:30:05 : Titre~\"casino\" ");
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(ScanTick, AWindowThatTakesAWhileToGoIsCountedOnce) {
    rules.append(TCond{"Y", "N", "casino", 1, 1});
    WindowHandle slow = desktop.add(std::string("casino") + IE);
    desktop.find(slow)->closesOnRequest = false;

    ticks(0, 600);
    desktop.remove(slow); // gone 700 ms after the first request
    ticks(800, 1400);

    EXPECT_GE(desktop.closeRequests().size(), 2u);
    EXPECT_EQ(lNbre.text(), "1");
    EXPECT_EQ(memoLines(&mLog).size(), 1);
    EXPECT_EQ(sound.calls.size(), 1u);

    // Gone, it is forgotten: a new window under the same handle counts again.
    desktop.add(std::string("casino again") + IE);
    desktop.windows().back().handle = slow;
    ticks(1600, 1600);
    EXPECT_EQ(desktop.closeRequests().back(), slow);
    EXPECT_EQ(lNbre.text(), "2");
    EXPECT_EQ(memoLines(&mLog).size(), 2);
    EXPECT_EQ(sound.calls.size(), 2u);
}

TEST_F(ScanTick, AWindowThatStaysIsAskedForTenSecondsThenLeftUntilItChanges) {
    rules.append(TCond{"Y", "N", "casino", 1, 1});
    WindowHandle stays = desktop.add(std::string("casino") + IE);
    desktop.find(stays)->closesOnRequest = false;
    auto requests = [&] { return desktop.closeRequests().size(); };

    ticks(0, 800);
    EXPECT_EQ(requests(), 5u) << "at every tick of the first second";
    ticks(1000, 9800);
    EXPECT_EQ(requests(), 5u + 9u) << "then once a second";
    ticks(10000, 30000);
    EXPECT_EQ(requests(), 14u) << "and after ten seconds no more";
    EXPECT_EQ(lNbre.text(), "1");
    EXPECT_EQ(memoLines(&mLog).size(), 1);
    EXPECT_EQ(sound.calls.size(), 1u);
    EXPECT_TRUE(rows().isEmpty()) << "a matched window is never a candidate";

    // A new title starts another ten seconds of requests, not another count.
    desktop.find(stays)->title = std::string("casino, encore") + IE;
    ticks(30200, 45000);
    EXPECT_EQ(requests(), 28u);
    EXPECT_EQ(lNbre.text(), "1");
    EXPECT_EQ(memoLines(&mLog).size(), 1);
    EXPECT_EQ(sound.calls.size(), 1u);
}

TEST_F(ScanTick, ARefusedCloseCountsNothingAndIsAskedOnce) {
    rules.append(TCond{"Y", "N", "casino", 1, 1});
    WindowHandle refused = desktop.add(std::string("casino") + IE);
    desktop.find(refused)->closable = false;

    ticks(0, 5000);
    EXPECT_EQ(desktop.refusedCloses().size(), 1u);
    EXPECT_TRUE(desktop.closeRequests().empty());
    EXPECT_EQ(lNbre.text(), "0");
    EXPECT_EQ(lTotal.text(), "0");
    EXPECT_TRUE(mLog.toPlainText().isEmpty());
    EXPECT_TRUE(sound.calls.empty());

    // A change of title or size makes it worth asking again; once a request
    // goes out, the closing counts.
    desktop.find(refused)->title = std::string("casino !") + IE;
    ticks(5200, 6000);
    EXPECT_EQ(desktop.refusedCloses().size(), 2u);
    desktop.find(refused)->closable = true;
    desktop.find(refused)->rect.bottom += 10;
    ticks(6200, 6200);
    EXPECT_EQ(desktop.closeRequests(), std::vector<WindowHandle>{refused});
    EXPECT_EQ(lNbre.text(), "1");
    EXPECT_EQ(memoLines(&mLog).size(), 1);
    EXPECT_EQ(sound.calls.size(), 1u);
}

// A desktop that must hear from XWayland before it may close a window says
// the request is pending: nothing is counted until it is decided, and it is
// made again at each tick until then, past the first second too.
TEST_F(ScanTick, APendingCloseCountsOnlyOnceDecided) {
    rules.append(TCond{"Y", "N", "casino", 1, 1});
    WindowHandle later = desktop.add(std::string("casino") + IE);
    desktop.find(later)->pendingAnswers = 7;

    ticks(0, 1200);
    EXPECT_EQ(desktop.pendingCloses(), 7);
    EXPECT_TRUE(desktop.closeRequests().empty());
    EXPECT_EQ(lNbre.text(), "0");
    EXPECT_TRUE(mLog.toPlainText().isEmpty());
    EXPECT_TRUE(sound.calls.empty());
    ticks(1400, 1400);
    EXPECT_EQ(desktop.closeRequests(), std::vector<WindowHandle>{later});
    EXPECT_EQ(lNbre.text(), "1");
    EXPECT_EQ(memoLines(&mLog).size(), 1);

    // Decided against: nothing counted, and not asked again until it changes.
    WindowHandle rude = desktop.add(std::string("casino rude") + IE);
    desktop.find(rude)->pendingAnswers = 1;
    desktop.find(rude)->closable = false;
    ticks(1600, 5000);
    EXPECT_EQ(desktop.pendingCloses(), 8);
    EXPECT_EQ(desktop.refusedCloses(), std::vector<WindowHandle>{rude});
    EXPECT_EQ(lNbre.text(), "1");
    EXPECT_EQ(sound.calls.size(), 1u);
}

namespace {

// The scan's debug lines while it lives, switched on.
class ScanLines {
public:
    ScanLines() {
        lines.clear();
        QLoggingCategory::setFilterRules("vornel.scan.debug=true");
        before_ = qInstallMessageHandler(keep);
    }
    ~ScanLines() {
        qInstallMessageHandler(before_);
        QLoggingCategory::setFilterRules({});
    }
    static inline QStringList lines;

private:
    static void keep(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtDebugMsg && QByteArrayView(context.category) == "vornel.scan") lines << text;
    }
    QtMessageHandler before_ = nullptr;
};

} // namespace

// Asked five times a second, the scan tells each window's decision once: a
// close asked again, or a title that changes under the same decision, tells
// nothing new; a refusal, a change of decision and a window that came back
// are told.
TEST_F(ScanTick, DebugLinesTellEachDecisionOnce) {
    rules.append(TCond{"Y", "N", "casino", 0, 0});
    const WindowHandle pub = desktop.add(std::string("casino") + IE, {0, 0, 400, 300});
    const WindowHandle news = desktop.add(std::string("Les nouvelles") + IE, {0, 0, 640, 480});
    const WindowHandle term = desktop.add("Terminal");
    desktop.find(pub)->closable = false;
    {
        ScanLines told;
        ticks(0, 2000);
        desktop.find(news)->title = std::string("Les nouvelles du jour") + IE;
        ticks(2200, 2600);
        desktop.find(pub)->closable = true;
        desktop.find(pub)->title = std::string("casino !") + IE;
        ticks(2800, 4000);
        desktop.remove(term);
        ticks(4200, 4200);
        desktop.add("Terminal");
        ticks(4400, 4400);
        const QString ruleText = QString::fromStdString(TexteCond(rules.rule(1)));
        const QString p = QString::number(pub), n = QString::number(news);
        // The walk tells the windows it passes over; the rules' decisions follow.
        EXPECT_EQ(told.lines,
                  (QStringList{
                      "window " + QString::number(term) +
                          " \"Terminal\": not a browser window (no browser name in its title)",
                      "window " + p + " \"casino" + IE + "\" 400 x 300: rule 1 holds (" + ruleText +
                          "): the desktop refuses to close it",
                      "window " + n + " \"Les nouvelles" + IE + "\" 640 x 480: no rule holds",
                      "window " + p + " \"casino !" + IE + "\" 400 x 300: rule 1 holds (" +
                          ruleText + "): close request sent",
                      "window " + QString::number(desktop.windows().back().handle) +
                          " \"Terminal\": not a browser window (no browser name in its title)"}));
    }
    ScanLines off;
    QLoggingCategory::setFilterRules({});
    desktop.add("Calculatrice");
    ticks(4600, 5000);
    EXPECT_TRUE(off.lines.isEmpty()) << "told with the lines off";
}

TEST_F(ScanTick, CounterCaptionsThatAreNotNumbersOrAtTheLimit) {
    desktop.add(std::string("casino") + IE);
    rules.append(TCond{"Y", "N", "casino", 1, 1});
    lNbre.setText("2147483647");
    lTotal.setText("abc");
    scan.Timer();
    EXPECT_EQ(lTotal.text(), "1");
    EXPECT_EQ(lNbre.text(), "-2147483648");
}

TEST_F(ScanTick, TwoClosingsInOneTickLogTheSecondOnTop) {
    desktop.add(std::string("first casino") + IE);
    desktop.add(std::string("second pub") + IE);
    rules.append(TCond{"Y", "N", "casino", 1, 1});
    rules.append(TCond{"Y", "N", "pub", 1, 1});
    scan.Timer();
    QStringList log = memoLines(&mLog);
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[0].endsWith("Titre~\"pub\" "));
    EXPECT_TRUE(log[1].endsWith("Titre~\"casino\" "));
    EXPECT_EQ(sound.calls.size(), 2u);
}

// The log on screen is the log the next start reads: a pop-up that comes
// back all day leaves the newest lines, and each closing is one line.
TEST_F(ScanTick, TheLogHoldsTheNewestLinesOneLinePerClosing) {
    QStringList older;
    for (int i = 0; i < MaxLogLines; ++i)
        older << QString("older %1").arg(i);
    setMemoLines(&mLog, older);
    rules.append(TCond{"Y", "N", "Pub\nl'été", 0, 0});
    desktop.add(std::string("Pub\nl'été") + IE);
    scan.Timer();

    const QStringList log = memoLines(&mLog);
    ASSERT_EQ(log.size(), MaxLogLines);
    EXPECT_EQ(log[0], "$'12/07/26 14:30:05 : Titre~\"Pub\\nl\\'été\" '");
    EXPECT_EQ(valueFromOneLine(log[0].toStdString()), "12/07/26 14:30:05 : Titre~\"Pub\nl'été\" ");
    EXPECT_EQ(log[1], "older 0");
    EXPECT_EQ(log.last(), QString("older %1").arg(MaxLogLines - 2));
}

TEST_F(ScanTick, MinimisedWindowsFollowTheOption) {
    WindowHandle h = desktop.add(std::string("casino") + IE);
    desktop.find(h)->iconic = true;
    desktop.find(h)->closesOnRequest = false;
    rules.append(TCond{"Y", "N", "casino", 1, 1});

    cbReduite.setChecked(true);
    scan.Timer();
    EXPECT_TRUE(desktop.closeRequests().empty());
    EXPECT_TRUE(rows().isEmpty());

    cbReduite.setChecked(false);
    scan.Timer();
    EXPECT_EQ(desktop.closeRequests().size(), 1u);

    cbReduite.setChecked(true);
    desktop.find(h)->iconic = false; // restored: tested again
    scan.Timer();
    EXPECT_EQ(desktop.closeRequests().size(), 2u);
}

TEST_F(ScanTick, RulesSeeTheSecondReadingOfTheTitle) {
    WindowHandle renamed = desktop.add(std::string("plain") + IE);
    WindowHandle gone = desktop.add(std::string("casino") + IE);
    rules.append(TCond{"Y", "N", "casino", 1, 1});
    rules.append(TCond{"Y", "N", "renamed", 1, 1});
    int reads = 0;
    desktop.afterTitleRead = [&](WindowHandle h) {
        if (++reads > 2) return; // only during the walk
        if (h == gone) desktop.remove(gone);
        if (h == renamed) desktop.find(renamed)->title = std::string("renamed") + IE;
    };
    scan.Timer();
    // The vanished window reads as an empty title, matches nothing and stays
    // listed until the next tick; the renamed one is closed by its new title.
    EXPECT_EQ(desktop.closeRequests(), std::vector<WindowHandle>{renamed});
    EXPECT_EQ(rows(), QStringList({text(gone)}));
    scan.Timer();
    EXPECT_TRUE(rows().isEmpty());
}

// The selection stays on the window chosen: a window that comes or goes
// above it moves its line, not the choice.
TEST_F(ScanTick, SelectionFollowsTheWindow) {
    std::vector<WindowHandle> w;
    for (int i = 0; i < 4; ++i)
        w.push_back(desktop.add("w" + std::to_string(i) + IE));
    scan.Timer();
    ASSERT_EQ(rows().size(), 4);
    lb1.setCurrentRow(2);

    desktop.remove(w[1]);
    scan.Timer();
    EXPECT_EQ(lb1.currentRow(), 1);
    EXPECT_EQ(lb1.currentItem()->text(), text(w[2]));

    // A new window on top of the walk.
    desktop.windows().insert(desktop.windows().begin(),
                             ScriptedDesktop::Window{0x7000, std::string("new") + IE});
    scan.Timer();
    EXPECT_EQ(lb1.currentItem()->text(), text(w[2]));

    desktop.remove(w[2]);
    scan.Timer();
    EXPECT_EQ(lb1.currentRow(), -1);
    EXPECT_TRUE(lb1.selectedItems().isEmpty());

    desktop.add("again" + std::string(IE));
    scan.Timer();
    EXPECT_EQ(lb1.currentRow(), -1); // the selection does not come back
}

TEST_F(ScanTick, ATickWithTheSameRowsLeavesTheListAlone) {
    std::vector<WindowHandle> w;
    for (int i = 0; i < 3; ++i)
        w.push_back(desktop.add("w" + std::to_string(i) + IE));
    scan.Timer();
    lb1.setCurrentRow(1);
    QListWidgetItem* shown = lb1.item(1);
    int changes = 0;
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        QObject::connect(lb1.model(), signal, [&] { ++changes; });

    scan.Timer();
    scan.Timer();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(lb1.item(1), shown);
    EXPECT_EQ(lb1.currentRow(), 1);

    // Another window in the same number of rows is a new list.
    desktop.remove(w[2]);
    WindowHandle other = desktop.add("other" + std::string(IE));
    scan.Timer();
    EXPECT_GT(changes, 0);
    EXPECT_EQ(rows(), QStringList({text(w[0]), text(w[1]), text(other)}));
    EXPECT_EQ(lb1.currentRow(), 1);
}

TEST_F(ScanTick, EmptyBrowserListClosesNothing) {
    desktop.add(std::string("casino") + IE);
    rules.append(TCond{"N", "N", "", 0, 0});
    mFen.clear();
    scan.Timer();
    EXPECT_TRUE(desktop.closeRequests().empty());
    EXPECT_TRUE(rows().isEmpty());
    // Edits to the list are in force at the next tick.
    mFen.setPlainText(IE);
    scan.Timer();
    EXPECT_EQ(desktop.closeRequests().size(), 1u);
}

TEST_F(ScanTick, AtMostFiveThousandCandidatesPerTick) {
    for (int i = 0; i < 5001; ++i)
        desktop.add("w" + std::to_string(i) + IE);
    WindowHandle last = desktop.windows().back().handle;
    scan.Timer();
    EXPECT_EQ(lb1.count(), 5000);
    EXPECT_FALSE(rows().contains(text(last)));
    // The rest wait for the next tick: once the others are gone it is listed.
    desktop.windows().erase(desktop.windows().begin(), desktop.windows().begin() + 5000);
    scan.Timer();
    EXPECT_EQ(rows(), QStringList({text(last)}));
}

TEST_F(ScanTick, PortsRefreshOnlyOnThePortsPage) {
    int refreshes = 0;
    scan.refreshPorts = [&] { ++refreshes; };
    // Only a page on show is refreshed (see the main window's ports page tests).
    PC.show();
    PC.setCurrentIndex(pageIndex(Page::Welcome));
    scan.Timer();
    EXPECT_EQ(refreshes, 0);
    PC.setCurrentIndex(pageIndex(Page::Ports));
    scan.Timer();
    scan.Timer();
    EXPECT_EQ(refreshes, 2);
    PC.setCurrentIndex(pageIndex(Page::Statistics));
    scan.Timer();
    EXPECT_EQ(refreshes, 2);
}

TEST_F(ScanTick, HandlesWithTheTopBitReadAsUnsigned) {
    desktop.add(std::string("x") + IE);
    desktop.windows().back().handle = 0xF0000001u;
    scan.Timer();
    EXPECT_EQ(rows(), QStringList({"4026531841"}));
}
