#include "app/tfm_vornel.h"
#include "blocking/alert_sound.h"
#include "blocking/scripted_desktop.h"
#include "netstat/ip_connection_list.h"
#include "netstat/ports_page.h"
#include "netstat/scripted_agent.h"
#include "support/loopback_sockets.h"
#include "support/qt_print.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vornel;

namespace {

using A = ScriptedAnswer;
const std::vector<UINT> TcpStart{1, 3, 6, 1, 2, 1, 6, 13, 1, 1};
const std::vector<UINT> UdpStart{1, 3, 6, 1, 2, 1, 7, 5, 1, 1};

constexpr AsnInteger32 Listen = 2, Established = 5, CloseWait = 8, TimeWait = 11;

// The agent's answers for TCP rows given as (state, local port).
std::vector<A> tcpAnswers(const std::vector<std::pair<AsnInteger32, AsnInteger32>>& rows) {
    std::vector<A> out;
    for (auto& r : rows)
        out.push_back(A::integer(r.first));
    for (std::size_t i = 0; i < rows.size(); ++i)
        out.push_back(A::ip(127, 0, 0, 1));
    for (auto& r : rows)
        out.push_back(A::integer(r.second));
    for (std::size_t i = 0; i < rows.size(); ++i)
        out.push_back(A::ip(0, 0, 0, 0));
    for (std::size_t i = 0; i < rows.size(); ++i)
        out.push_back(A::integer(0));
    return out;
}

QStringList rows(const QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.item(i)->text();
    return out;
}

class PortsPage : public ::testing::Test {
protected:
    PortsPage() : names(65536) {
        names[80] = "web";
        names[53] = "dns";
        system.walks[UdpStart] = {A::ip(0, 0, 0, 0), A::integer(53)};
    }
    void showPorts(const std::vector<std::pair<AsnInteger32, AsnInteger32>>& tcp) {
        system.walks[TcpStart] = tcpAnswers(tcp);
        refreshPortList(&lbPorts, &connections, names);
    }

    ScriptedSystem system;
    TQuelmarIpConnectionList connections{nullptr, system.platform()};
    std::vector<std::string> names;
    QListWidget lbPorts;
};

struct SilentSound : AlertSound {
    void play(const std::string&) override {}
};

} // namespace

TEST_F(PortsPage, ListeningAndConnectedTcpPortsWithTheirNames) {
    showPorts({{Listen, 80},
               {Established, 1042},
               {TimeWait, 81},
               {CloseWait, 82},
               {Established, 80},
               {Established, 80},
               {Listen, 53}});
    EXPECT_EQ(rows(lbPorts), (QStringList{"Port 80 en écoute : web", "Port 1042 connecté",
                                          "Port 80 connecté : web", "Port 80 connecté : web",
                                          "Port 53 en écoute : dns"}));
}

TEST_F(PortsPage, NoListeningOrConnectedRowLeavesTheListEmpty) {
    showPorts({{Listen, 80}});
    showPorts({{TimeWait, 80}, {CloseWait, 81}});
    EXPECT_TRUE(rows(lbPorts).isEmpty());
    // The UDP listener on a named port is never shown either.
    EXPECT_EQ(connections.Count(), 3);
}

TEST_F(PortsPage, NamesTableShorterThanThePortRange) {
    names.assign(81, "");
    names[80] = "web";
    showPorts({{Listen, 80}, {Listen, 8080}});
    EXPECT_EQ(rows(lbPorts), (QStringList{"Port 80 en écoute : web", "Port 8080 en écoute"}));
    names.clear();
    showPorts({{Listen, 80}});
    EXPECT_EQ(rows(lbPorts), (QStringList{"Port 80 en écoute"}));
}

TEST_F(PortsPage, SelectionIsKeptByPosition) {
    showPorts({{Listen, 1}, {Listen, 2}, {Listen, 3}, {Listen, 4}, {Listen, 5}});
    lbPorts.setCurrentRow(3);
    showPorts({{Listen, 9}, {Listen, 1}, {Listen, 2}, {Listen, 3}, {Listen, 4}});
    EXPECT_EQ(lbPorts.currentRow(), 3);
    EXPECT_EQ(lbPorts.currentItem()->text(), "Port 3 en écoute");
    showPorts({{Listen, 1}, {Listen, 2}});
    EXPECT_EQ(lbPorts.currentRow(), -1);
    EXPECT_TRUE(lbPorts.selectedItems().isEmpty());
    showPorts({{Listen, 1}, {Listen, 2}, {Listen, 3}, {Listen, 4}, {Listen, 5}});
    EXPECT_EQ(lbPorts.currentRow(), -1);
}

TEST_F(PortsPage, ARefreshWithTheLinesShownLeavesTheViewAlone) {
    showPorts({{Listen, 1}, {Established, 80}, {Listen, 3}});
    lbPorts.setCurrentRow(1);
    QListWidgetItem* shown = lbPorts.item(1);
    int changes = 0;
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        QObject::connect(lbPorts.model(), signal, [&] { ++changes; });

    showPorts({{Listen, 1}, {Established, 80}, {Listen, 3}});
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(lbPorts.item(1), shown) << "the same row, not a new one";
    EXPECT_EQ(lbPorts.currentRow(), 1);

    // One line that differs: the list is made again, the selection by position.
    showPorts({{Listen, 1}, {Established, 80}, {Listen, 4}});
    EXPECT_GT(changes, 0);
    EXPECT_EQ(rows(lbPorts),
              QStringList({"Port 1 en écoute", "Port 80 connecté : web", "Port 4 en écoute"}));
    EXPECT_EQ(lbPorts.currentRow(), 1);
}

TEST_F(PortsPage, AFailedRefreshKeepsWhatTheListShowed) {
    showPorts({{Listen, 80}, {Established, 1042}});
    lbPorts.setCurrentRow(1);
    auto failing = tcpAnswers({{Listen, 80}});
    failing[1] = A::failure();
    system.walks[TcpStart] = failing;
    refreshPortList(&lbPorts, &connections, names);
    EXPECT_EQ(rows(lbPorts), (QStringList{"Port 80 en écoute : web", "Port 1042 connecté"}));
    EXPECT_EQ(lbPorts.currentRow(), 1);
    EXPECT_TRUE(lbPorts.updatesEnabled());
    // The next tick tries again.
    showPorts({{Listen, 22}});
    EXPECT_EQ(rows(lbPorts), (QStringList{"Port 22 en écoute"}));
    EXPECT_TRUE(lbPorts.updatesEnabled());
}

TEST_F(PortsPage, WithoutAReaderNothingHappens) {
    lbPorts.addItem("earlier");
    refreshPortList(&lbPorts, nullptr, names);
    EXPECT_EQ(rows(lbPorts), (QStringList{"earlier"}));
}

TEST(PortList, TwoColumnsOfThirteenPixelRows) {
    QListWidget lbPorts;
    lbPorts.setFrameShape(QFrame::NoFrame);
    lbPorts.resize(353, 241);
    setUpPortList(&lbPorts);
    for (int i = 0; i < 30; ++i)
        lbPorts.addItem(QString("Port %1 en écoute").arg(i));
    lbPorts.show();
    QApplication::processEvents();
    lbPorts.doItemsLayout();
    const QRect first = lbPorts.visualItemRect(lbPorts.item(0));
    const QRect second = lbPorts.visualItemRect(lbPorts.item(1));
    EXPECT_EQ(first.height(), 13);
    EXPECT_EQ(second.top() - first.top(), 13);
    EXPECT_EQ(first.left(), 0);
    // Rows fill the first column top to bottom, then the second one.
    int firstOfSecond = 1;
    while (firstOfSecond < lbPorts.count() &&
           lbPorts.visualItemRect(lbPorts.item(firstOfSecond)).left() == first.left())
        ++firstOfSecond;
    ASSERT_LT(firstOfSecond, lbPorts.count());
    EXPECT_LE(firstOfSecond * 13, lbPorts.viewport()->height());
    const QRect top2 = lbPorts.visualItemRect(lbPorts.item(firstOfSecond));
    EXPECT_EQ(top2.top(), first.top());
    EXPECT_EQ(top2.left(), 353 / 2);
    EXPECT_EQ(lbPorts.visualItemRect(lbPorts.item(29)).left(), 353 / 2);
}

TEST(CreateConnectionList, AReaderThatCannotBeMadeIsShownAndLeftOut) {
    ScriptedSystem system;
    system.agentLoads = false;
    QWidget owner;
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->windowTitle() + "|" + box->text();
            box->accept();
        }
    });
    EXPECT_EQ(createConnectionList(&owner, system.platform()), nullptr);
    EXPECT_EQ(shown, "Vornel|La bibliothèque de l'agent d'extension SNMP est introuvable.");
    EXPECT_TRUE(owner.findChildren<TQuelmarIpConnectionList*>().isEmpty());

    ScriptedSystem working;
    TQuelmarIpConnectionList* made = createConnectionList(&owner, working.platform());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->parent(), &owner);
}

// The real main window over the real kernel: the scan tick refreshes the
// page while it is chosen, and only then. The window saves and removes its
// start-at-logon entry when destroyed: in the private folders that the test
// main gives every test, never in those of whoever runs the tests.
TEST(MainWindowPortsPage, TheScanTickListsOurListener) {
    ScriptedDesktop desktop;
    SilentSound sound;
    TfmVornel window(desktop, sound);
    ASSERT_NE(window.connections, nullptr);
    EXPECT_EQ(window.connections->parent(), &window);
    EXPECT_TRUE(window.ui.lbPorts->isWrapping());

    test::TestSocket listener = test::tcpListener("127.0.0.1");
    const QString line = QString("Port %1 en écoute").arg(listener.localPort());
    window.NomsPorts.assign(65536, "");
    window.NomsPorts[listener.localPort()] = "essai";

    // Each showing opens on page 1.
    window.show();
    window.scan().Timer();
    EXPECT_FALSE(rows(*window.ui.lbPorts).contains(line + " : essai"));

    window.BtnClick(Page::Ports);
    window.scan().Timer();
    EXPECT_TRUE(rows(*window.ui.lbPorts).contains(line + " : essai"));

    // Leaving the page freezes the list.
    window.BtnClick(Page::Current);
    window.ui.lbPorts->clear();
    window.scan().Timer();
    EXPECT_EQ(window.ui.lbPorts->count(), 0);
}

// The socket tables are read only for a ports page someone can see: with the
// window closed, hidden or minimised on that page, a tick reads nothing.
TEST(MainWindowPortsPage, NoSocketTableReadUnlessThePageIsOnShow) {
    ScriptedDesktop desktop;
    SilentSound sound;
    TfmVornel window(desktop, sound);
    window.Timer1->stop();
    ScriptedSystem system;
    delete window.connections;
    window.connections = createConnectionList(&window, system.platform());
    ASSERT_NE(window.connections, nullptr);
    auto readsInATick = [&] {
        const int before = system.queries;
        window.scan().Timer();
        return system.queries - before;
    };

    window.BtnClick(Page::Ports);
    EXPECT_EQ(readsInATick(), 0) << "never shown";
    window.show();
    window.BtnClick(Page::Ports);
    EXPECT_GT(readsInATick(), 0);

    window.hide();
    EXPECT_EQ(window.currentPage(), Page::Ports);
    EXPECT_EQ(readsInATick(), 0) << "hidden";
    window.showMinimized();
    window.BtnClick(Page::Ports);
    EXPECT_EQ(readsInATick(), 0) << "minimised";
    window.showNormal();
    window.BtnClick(Page::Ports);
    EXPECT_GT(readsInATick(), 0);
    window.BtnClick(Page::Current);
    EXPECT_EQ(readsInATick(), 0) << "another page";
}
