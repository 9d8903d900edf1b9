#include "blocking/alert_sound.h"
#include "blocking/scan_cycle.h"
#include "blocking/scripted_desktop.h"
#include "common/memo_lines.h"
#include "support/qt_print.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace vornel;

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
    // Counters first, then the sound, then the close request, then the log.
    ASSERT_EQ(sound.calls.size(), 1u);
    EXPECT_EQ(sound.calls[0].name, "/tmp/alert.wav");
    EXPECT_EQ(sound.calls[0].runCount, "1");
    EXPECT_EQ(sound.calls[0].closesBefore, 0u);
    EXPECT_EQ(sound.calls[0].logLinesBefore, 0);
}

TEST_F(ScanTick, CountersAndLogAcrossTicks) {
    lTotal.setText("10");
    WindowHandle stubborn = desktop.add(std::string("casino") + IE);
    desktop.find(stubborn)->closesOnRequest = false;
    rules.append(TCond{"Y", "N", "casino", 1, 1});
    eSon.setText("");

    scan.Timer();
    scan.Timer();
    scan.now = [] { return QDateTime(QDate(2026, 12, 8), QTime(0, 0, 0)); };
    scan.Timer();

    // A window that ignores the request is matched again on every tick, and
    // the sound call is made even with an empty name.
    EXPECT_EQ(desktop.closeRequests().size(), 3u);
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

TEST_F(ScanTick, SelectionFollowsThePosition) {
    std::vector<WindowHandle> w;
    for (int i = 0; i < 4; ++i)
        w.push_back(desktop.add("w" + std::to_string(i) + IE));
    scan.Timer();
    ASSERT_EQ(rows().size(), 4);
    lb1.setCurrentRow(2);

    desktop.remove(w[1]);
    scan.Timer();
    EXPECT_EQ(lb1.currentRow(), 2);
    EXPECT_EQ(lb1.currentItem()->text(), text(w[3]));

    desktop.remove(w[0]);
    desktop.remove(w[2]);
    scan.Timer();
    EXPECT_EQ(rows().size(), 1);
    EXPECT_EQ(lb1.currentRow(), -1);
    EXPECT_TRUE(lb1.selectedItems().isEmpty());

    desktop.add("again" + std::string(IE));
    desktop.add("more" + std::string(IE));
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
    PC.setCurrentIndex(0);
    scan.Timer();
    EXPECT_EQ(refreshes, 0);
    PC.setCurrentIndex(3);
    scan.Timer();
    scan.Timer();
    EXPECT_EQ(refreshes, 2);
    PC.setCurrentIndex(4);
    scan.Timer();
    EXPECT_EQ(refreshes, 2);
}

TEST_F(ScanTick, HandlesWithTheTopBitReadAsUnsigned) {
    desktop.add(std::string("x") + IE);
    desktop.windows().back().handle = 0xF0000001u;
    scan.Timer();
    EXPECT_EQ(rows(), QStringList({"4026531841"}));
}
