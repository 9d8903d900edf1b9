// The KWin desktop inside a real headless KWin (the kwin fixture), on the
// session's bus; its windows are Qt Wayland clients of the tests' own.
#include "blocking/desktops/kwin_desktop.h"
#include "blocking/desktops/vornel_bus_name.h"
#include "support/wayland_session.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>

namespace vornel {
namespace {

using test::decidedClose;
using test::TestWindow;
using test::waitWithEvents;

QString sessionDir() {
    return qEnvironmentVariable("VORNEL_TEST_KWIN_DIR");
}

QDBusMessage scripting(const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting",
                                                       "org.kde.kwin.Scripting", method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

bool scriptLoaded() {
    return scripting("isScriptLoaded", {QString(KWinDesktop::ScriptName)})
        .arguments()
        .value(0)
        .toBool();
}

// Runs a line of KWin script on every window with this caption, from a
// script of the test's own, as a user's action in KWin would.
void inKWin(const QString& caption, const QString& action) {
    // Where KWin, which runs as the session's user, may read it.
    QFile file(test::sessionVariable(sessionDir(), "XDG_RUNTIME_DIR") + "/action.js");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        QString("var l = workspace.windowList ? workspace.windowList() : workspace.clientList();\n"
                "for (var i = 0; i < l.length; ++i) {\n"
                "    var w = l[i];\n"
                "    if (w.caption == %1) { %2; }\n"
                "}\n")
            .arg(
                QString::fromUtf8(QJsonDocument(QJsonArray{caption}).toJson(QJsonDocument::Compact))
                    .mid(1)
                    .chopped(1),
                action)
            .toUtf8());
    file.close();
    if (geteuid() == 0) QProcess::execute("chown", {test::sessionUser() + ":", file.fileName()});
    const QString name = "vornel-test-action";
    ASSERT_GE(scripting("loadScript", {file.fileName(), name}).arguments().value(0).toInt(), 0);
    scripting("start", {});
    // KWin reads the file and runs the script in the background.
    QThread::msleep(300);
    scripting("unloadScript", {name});
    file.remove();
}

// The handle of the window with this title, once the desktop has it.
WindowHandle waitForTitle(KWinDesktop& desktop, const std::string& title, int timeoutMs = 10000) {
    WindowHandle found = 0;
    waitWithEvents(
        [&] {
            desktop.beginWalk();
            for (WindowHandle h : desktop.topFirst())
                if (desktop.find(h)->title == title) found = h;
            return found != 0;
        },
        timeoutMs);
    return found;
}

std::string titleOf(Desktop& desktop, WindowHandle h) {
    char buffer[256];
    const int n = desktop.GetWindowTextA(h, buffer, sizeof buffer);
    return std::string(buffer, n);
}

class KWinDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(sessionDir().isEmpty()) << "runs with the kwin fixture's session";
        // Before the first use of the session bus, which is then kept.
        qputenv("DBUS_SESSION_BUS_ADDRESS",
                test::sessionVariable(sessionDir(), "DBUS_SESSION_BUS_ADDRESS").toUtf8());
        // The program's own script, where KWin (the session's user) may read it.
        QFile copy(test::sessionVariable(sessionDir(), "XDG_RUNTIME_DIR") + "/vornel_windows.js");
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
        ASSERT_GT(copy.write(KWinDesktop::scriptText()), 0) << "the program carries its script";
        copy.close();
        if (geteuid() == 0)
            QProcess::execute("chown", {test::sessionUser() + ":", copy.fileName()});
        script = copy.fileName();
    }
    void TearDown() override {
        // Nothing of one test's script may be left for the next.
        scripting("unloadScript", {QString(KWinDesktop::ScriptName)});
    }
    std::unique_ptr<KWinDesktop> connect(bool once = false,
                                         QDBusConnection bus = QDBusConnection::sessionBus()) {
        std::string why;
        auto desktop = KWinDesktop::connect({}, why, once, bus, script);
        EXPECT_TRUE(desktop) << why;
        return desktop;
    }
    QString script;
};

// What KWin knows of its windows reaches the model by events: arrival,
// outer size, title changes, stacking, departure; a close request reaches
// the client as a polite close, and the script goes when the desktop does.
TEST_F(KWinDesktopTest, FollowsWindowsAndClosesPolitely) {
    auto desktop = connect();
    ASSERT_TRUE(desktop);
    ASSERT_TRUE(desktop->waitForWindows(10000));
    EXPECT_TRUE(scriptLoaded());

    TestWindow alpha(sessionDir(), "Alpha - Mozilla Firefox", QSize(320, 210));
    ASSERT_TRUE(alpha.waitShown());
    const WindowHandle a = waitForTitle(*desktop, "Alpha - Mozilla Firefox");
    ASSERT_NE(a, 0u);
    // KWin draws no frame for these clients headless: the outer size is the
    // size the client asked for.
    EXPECT_EQ(desktop->GetWindowRect(a).width(), 320);
    EXPECT_EQ(desktop->GetWindowRect(a).height(), 210);
    EXPECT_TRUE(desktop->IsWindowVisible(a));
    EXPECT_FALSE(desktop->IsIconic(a));

    TestWindow beta(sessionDir(), "Beta", QSize(200, 150));
    ASSERT_TRUE(beta.waitShown());
    const WindowHandle b = waitForTitle(*desktop, "Beta");
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    // The window shown last is on top; the walk goes from it downwards.
    EXPECT_TRUE(waitWithEvents([&] {
        desktop->beginWalk();
        return desktop->GetWindow(0, GW_HWNDFIRST) == b && desktop->GetWindow(b, GW_HWNDNEXT) == a;
    }));

    alpha.retitle("Alpha renamed");
    EXPECT_TRUE(waitWithEvents([&] {
        desktop->beginWalk();
        return titleOf(*desktop, a) == "Alpha renamed";
    }));
    // Cut as the scan's buffers cut it.
    char small[4];
    EXPECT_EQ(desktop->GetWindowTextA(a, small, sizeof small), 3);
    EXPECT_STREQ(small, "Alp");

    // Minimised in KWin: still visible, as on every desktop, and iconic.
    inKWin("Alpha renamed", "w.minimized = true");
    EXPECT_TRUE(waitWithEvents([&] {
        desktop->beginWalk();
        return desktop->IsIconic(a);
    }));
    EXPECT_TRUE(desktop->IsWindowVisible(a));
    EXPECT_FALSE(desktop->IsIconic(b));
    inKWin("Alpha renamed", "w.minimized = false");
    EXPECT_TRUE(waitWithEvents([&] {
        desktop->beginWalk();
        return !desktop->IsIconic(a);
    }));

    // Moved and resized in KWin: the new outer rectangle.
    inKWin("Beta", "w.frameGeometry = {x: 40, y: 50, width: 260, height: 170}");
    EXPECT_TRUE(waitWithEvents([&] {
        desktop->beginWalk();
        return desktop->GetWindowRect(b) == WindowRect{40, 50, 300, 220};
    })) << desktop->GetWindowRect(b).width()
        << "x" << desktop->GetWindowRect(b).height();

    // Only KWin's script is heard: another program on the bus can neither
    // make up a window nor learn which ones are closed.
    QDBusConnection intruder =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "intruder");
    // Asked without blocking: the desktop answers from this very thread.
    auto refused = [&](const QString& method, const QVariantList& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(VornelBusName, "/KWinScript",
                                                           "org.vornel.KWinScript", method);
        call.setArguments(arguments);
        QDBusPendingCall reply = intruder.asyncCall(call);
        waitWithEvents([&] { return reply.isFinished(); });
        return reply.isError() && reply.error().type() == QDBusError::AccessDenied;
    };
    EXPECT_TRUE(
        refused("windowChanged", {R"({"id":"{fake}","title":"Faux","width":10,"height":10})"}));
    EXPECT_TRUE(refused("closeRequests", {}));
    QDBusConnection::disconnectFromBus("intruder");
    EXPECT_EQ(waitForTitle(*desktop, "Faux", 500), 0u);

    EXPECT_EQ(decidedClose(*desktop, a), CloseRequest::Sent);
    EXPECT_TRUE(alpha.waitClosed());
    EXPECT_TRUE(waitWithEvents([&] {
        desktop->beginWalk();
        return desktop->find(a) == nullptr;
    }));
    EXPECT_EQ(titleOf(*desktop, a), "");
    EXPECT_EQ(decidedClose(*desktop, a), CloseRequest::Refused)
        << "a window gone is not asked again";
    EXPECT_FALSE(beta.sawClose());
    EXPECT_NE(desktop->find(b), nullptr);

    desktop.reset();
    // KWin 6 lets an unloaded script go a moment after the unload.
    EXPECT_TRUE(waitWithEvents([] { return !scriptLoaded(); }, 5000));
}

// KWin tells windows of one title apart in its caption (" <2>"); a rule on
// the title the program set must find every copy.
TEST_F(KWinDesktopTest, WindowsOfOneTitleAllKeepThatTitle) {
    auto desktop = connect();
    ASSERT_TRUE(desktop);
    ASSERT_TRUE(desktop->waitForWindows(10000));
    TestWindow first(sessionDir(), "Offre du jour", QSize(200, 150));
    TestWindow second(sessionDir(), "Autre offre", QSize(210, 160));
    ASSERT_TRUE(first.waitShown() && second.waitShown());
    // KWin counts a copy as its title changes: the first must be in by then.
    ASSERT_NE(waitForTitle(*desktop, "Offre du jour"), 0u);
    ASSERT_NE(waitForTitle(*desktop, "Autre offre"), 0u);
    second.retitle("Offre du jour");
    // Minimised by KWin's own caption of it: the report of that change came
    // after KWin had counted the copy. Plasma 6 counts no copies: there both
    // captions are the title, and the copy is the wider window.
    WindowHandle counted = 0;
    ASSERT_TRUE(waitWithEvents([&] {
        inKWin("Offre du jour <2>", "w.minimized = true");
        inKWin("Offre du jour", "if (w.frameGeometry.width > 205) w.minimized = true");
        desktop->beginWalk();
        for (WindowHandle h : desktop->topFirst())
            if (desktop->IsIconic(h)) counted = h;
        return counted != 0;
    }));
    EXPECT_EQ(titleOf(*desktop, counted), "Offre du jour");
    std::vector<std::string> titles;
    for (WindowHandle h : desktop->topFirst())
        titles.push_back(titleOf(*desktop, h));
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Offre du jour"), 2);
}

// A second run queues behind the first for the bus name, loads its script
// only once the first has unloaded its own, and then sees the windows that
// are already there. A script that a crashed run left loaded is replaced. A
// one-time look (--windows) asks the running instance for its windows, and
// the instance keeps its script.
TEST_F(KWinDesktopTest, HandsOverBetweenRuns) {
    TestWindow gamma(sessionDir(), "Gamma", QSize(240, 180));
    ASSERT_TRUE(gamma.waitShown());

    auto first = connect();
    ASSERT_TRUE(first);
    ASSERT_TRUE(first->waitForWindows(10000));
    ASSERT_NE(waitForTitle(*first, "Gamma"), 0u);

    QDBusConnection otherBus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "second run");
    auto second = connect(false, otherBus);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->waitForWindows(1000)) << "the first run still owns the name";
    // Blind meanwhile, and it says who holds the name.
    EXPECT_TRUE(waitWithEvents([&] { return !second->notice().empty(); }, 5000));
    EXPECT_NE(second->notice().find("est tenu par"), std::string::npos) << second->notice();

    first.reset();
    ASSERT_TRUE(second->waitForWindows(10000));
    EXPECT_EQ(second->notice(), "") << "the name came, the notice stays";
    EXPECT_TRUE(scriptLoaded());
    const WindowHandle g = waitForTitle(*second, "Gamma");
    ASSERT_NE(g, 0u);
    EXPECT_EQ(second->GetWindowRect(g).width(), 240);

    // A crash leaves the script loaded with nobody answering it.
    second.reset();
    QDBusConnection::disconnectFromBus("second run");
    // KWin frees the name of an unloaded script a moment after the unload.
    int id = -1;
    waitWithEvents(
        [&] {
            id = scripting("loadScript", {script, QString(KWinDesktop::ScriptName)})
                     .arguments()
                     .value(0)
                     .toInt();
            return id >= 0;
        },
        5000);
    ASSERT_GE(id, 0);
    scripting("start", {});
    auto third = connect();
    ASSERT_TRUE(third);
    ASSERT_TRUE(third->waitForWindows(10000));
    EXPECT_NE(waitForTitle(*third, "Gamma"), 0u);
    // Loading the same name twice fails: one copy, ours, is loaded.
    EXPECT_LT(scripting("loadScript", {script, QString(KWinDesktop::ScriptName)})
                  .arguments()
                  .value(0)
                  .toInt(),
              0);

    QDBusConnection lookBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "look");
    auto look = connect(true, lookBus);
    ASSERT_TRUE(look);
    ASSERT_TRUE(look->waitForWindows(10000));
    EXPECT_NE(waitForTitle(*look, "Gamma"), 0u);
    look.reset();
    QDBusConnection::disconnectFromBus("look");
    EXPECT_EQ(QDBusConnection::sessionBus().interface()->serviceOwner(VornelBusName).value(),
              QDBusConnection::sessionBus().baseService())
        << "the look took the name";
    EXPECT_TRUE(scriptLoaded());
    TestWindow delta(sessionDir(), "Delta", QSize(220, 120));
    ASSERT_TRUE(delta.waitShown());
    EXPECT_NE(waitForTitle(*third, "Delta"), 0u) << "the running instance is fed again";
}

// Stands in for Vornel on the bus, and counts what reaches it.
// A user's script manager can unload the script: the desktop misses it when
// it no longer calls, says so, and loads it again.
TEST_F(KWinDesktopTest, AScriptUnloadedFromOutsideIsLoadedAgain) {
    auto desktop = connect();
    ASSERT_TRUE(desktop);
    ASSERT_TRUE(desktop->waitForWindows(10000));
    std::vector<std::string> told;
    desktop->watchNotice([&](const std::string& notice) { told.push_back(notice); });
    TestWindow window(sessionDir(), "Revient - Mozilla", QSize(200, 150));
    ASSERT_TRUE(window.waitShown());
    const WindowHandle before = waitForTitle(*desktop, "Revient - Mozilla");
    ASSERT_NE(before, 0u);

    scripting("unloadScript", {QString(KWinDesktop::ScriptName)});
    ASSERT_TRUE(waitWithEvents([] { return !scriptLoaded(); }, 5000));
    // The request answers the script's open call, which nobody makes again.
    EXPECT_EQ(decidedClose(*desktop, before), CloseRequest::Sent);
    ASSERT_TRUE(waitWithEvents([&] { return !told.empty(); }, 15000));
    EXPECT_NE(told[0].find("KWin"), std::string::npos) << told[0];
    EXPECT_FALSE(window.sawClose()) << "the request went to no script";

    // Back once the new script has reported: the notice goes then.
    EXPECT_TRUE(waitWithEvents([&] { return told.back().empty(); }, 15000)) << told.back();
    const WindowHandle after = waitForTitle(*desktop, "Revient - Mozilla", 15000);
    ASSERT_NE(after, 0u) << "the script was not loaded again";
    EXPECT_TRUE(scriptLoaded());
    EXPECT_FALSE(window.sawClose()) << "a request of the lost script is not made again";
    EXPECT_EQ(decidedClose(*desktop, after), CloseRequest::Sent);
    EXPECT_TRUE(window.waitClosed());
}

class Impostor : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.vornel.KWinScript")

public:
    int heard = 0;

public slots:
    void windowChanged(const QString&) { ++heard; }
    void windowRemoved(const QString&) { ++heard; }
    QStringList closeRequests() {
        ++heard;
        return {};
    }
};

// The script hands window titles to whoever owns Vornel's name, so no other
// program takes it: not from a running instance, which says so if the name
// goes anyway, and not after a crash, since the script only ever talks to
// the connection that loaded it.
TEST_F(KWinDesktopTest, NoOtherProgramTakesTheNameOrHearsTheScript) {
    TestWindow epsilon(sessionDir(), "Epsilon", QSize(200, 140));
    ASSERT_TRUE(epsilon.waitShown());
    auto resident = connect();
    ASSERT_TRUE(resident);
    ASSERT_TRUE(resident->waitForWindows(10000));
    ASSERT_NE(waitForTitle(*resident, "Epsilon"), 0u);

    QDBusConnection intruder =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "name thief");
    auto taken = intruder.interface()->registerService(
        VornelBusName, QDBusConnectionInterface::ReplaceExistingService,
        QDBusConnectionInterface::AllowReplacement);
    EXPECT_NE(taken.value(), QDBusConnectionInterface::ServiceRegistered);
    EXPECT_EQ(intruder.interface()->serviceOwner(VornelBusName).value(),
              QDBusConnection::sessionBus().baseService());
    intruder.interface()->unregisterService(VornelBusName);

    // Lost all the same: the model empties, and the user is told.
    std::string told;
    resident->watchNotice([&](const std::string& notice) { told = notice; });
    QDBusConnection::sessionBus().interface()->unregisterService(VornelBusName);
    EXPECT_TRUE(waitWithEvents([&] { return !told.empty(); }));
    EXPECT_NE(resident->notice().find("org.vornel.Vornel"), std::string::npos);
    resident->beginWalk();
    EXPECT_TRUE(resident->topFirst().empty());
    resident.reset();
    // Its script, no longer its own, stays loaded for the next owner to replace.
    scripting("unloadScript", {QString(KWinDesktop::ScriptName)});

    // A run that dies without unloading its script.
    Impostor owner;
    {
        QDBusConnection crashedBus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, "crashed run");
        ASSERT_TRUE(
            crashedBus.registerObject("/KWinScript", &owner, QDBusConnection::ExportAllSlots));
        ASSERT_EQ(crashedBus.interface()
                      ->registerService(VornelBusName, QDBusConnectionInterface::DontQueueService)
                      .value(),
                  QDBusConnectionInterface::ServiceRegistered);
        ASSERT_GE(scripting("loadScript", {script, QString(KWinDesktop::ScriptName)})
                      .arguments()
                      .value(0)
                      .toInt(),
                  0);
        scripting("start", {});
        ASSERT_TRUE(waitWithEvents([&] { return owner.heard > 0; }))
            << "the script talks to its owner";
        crashedBus.unregisterObject("/KWinScript");
    }
    QDBusConnection::disconnectFromBus("crashed run");
    ASSERT_TRUE(waitWithEvents([&] {
        return !intruder.interface()->isServiceRegistered(VornelBusName).value();
    })) << "the bus still has the crashed run";
    ASSERT_TRUE(scriptLoaded());

    Impostor impostor;
    ASSERT_TRUE(intruder.registerObject("/KWinScript", &impostor, QDBusConnection::ExportAllSlots));
    ASSERT_EQ(intruder.interface()
                  ->registerService(VornelBusName, QDBusConnectionInterface::DontQueueService)
                  .value(),
              QDBusConnectionInterface::ServiceRegistered);
    TestWindow zeta(sessionDir(), "Zeta", QSize(180, 120));
    ASSERT_TRUE(zeta.waitShown());
    inKWin("Epsilon", "w.minimized = true");
    waitWithEvents([&] { return impostor.heard > 0; }, 2000);
    EXPECT_EQ(impostor.heard, 0) << "the left-over script talked to the name's new owner";
    intruder.unregisterObject("/KWinScript");
    intruder.interface()->unregisterService(VornelBusName);
    QDBusConnection::disconnectFromBus("name thief");
}

// A script KWin loads and starts but that never reports (a KWin that does
// not run it) leaves the program blind: it says so, and tries again.
TEST_F(KWinDesktopTest, AScriptThatNeverReportsIsSaid) {
    QFile silent(test::sessionVariable(sessionDir(), "XDG_RUNTIME_DIR") + "/silent.js");
    ASSERT_TRUE(silent.open(QIODevice::WriteOnly));
    silent.write("// reports nothing\n");
    silent.close();
    if (geteuid() == 0) QProcess::execute("chown", {test::sessionUser() + ":", silent.fileName()});
    std::string why;
    auto desktop =
        KWinDesktop::connect({}, why, false, QDBusConnection::sessionBus(), silent.fileName());
    ASSERT_TRUE(desktop);
    std::vector<std::string> told;
    desktop->watchNotice([&](const std::string& notice) { told.push_back(notice); });
    EXPECT_TRUE(waitWithEvents([&] { return !told.empty(); }, 15000))
        << "no notice within 15 s of a script that never reported";
    ASSERT_FALSE(told.empty());
    EXPECT_NE(told[0].find("10 secondes"), std::string::npos) << told[0];
    EXPECT_NE(told[0].find("aucune fenêtre n'est surveillée"), std::string::npos) << told[0];
    EXPECT_FALSE(desktop->waitForWindows(10)) << "nothing reported";
    desktop.reset();
    silent.remove();
}

} // namespace
} // namespace vornel

#include "test_kwin_desktop.moc"
