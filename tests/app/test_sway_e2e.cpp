// The real program in a headless sway session, run as an ordinary user the
// way a user runs it: rules close native Wayland windows politely, other
// windows stay, the log and the total are right after SIGTERM, a retitled
// window is caught, the tray icon reaches waybar's tray, and --windows lists
// what sway lists.
#include "support/qt_print.h"
#include "support/wayland_session.h"

#include <QRegularExpression>
#include <set>

using namespace vornel::test;

namespace {

// The outer size as sway reports it: the rectangle with its borders, and the
// title bar given apart.
QSize outerSize(const QJsonObject& container) {
    const QJsonObject rect = container["rect"].toObject();
    return {rect["width"].toInt(),
            rect["height"].toInt() + container["deco_rect"].toObject()["height"].toInt()};
}

// The processes whose icons the tray host (the StatusNotifierWatcher) shows,
// with the bus name of each one's item.
QMap<qint64, QString> trayItemsOf(const QString& dir) {
    const QByteArray items = runInSession(
        dir, "dbus-send",
        {"--session", "--print-reply", "--dest=org.kde.StatusNotifierWatcher",
         "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties.Get",
         "string:org.kde.StatusNotifierWatcher", "string:RegisteredStatusNotifierItems"});
    QMap<qint64, QString> pids;
    // Items are "BUSNAME/PATH"; the bus tells whose connection a name is.
    static const QRegularExpression item("\"([^\"/]+)/");
    for (auto it = item.globalMatch(QString::fromUtf8(items)); it.hasNext();) {
        const QString name = it.next().captured(1);
        const QByteArray pid =
            runInSession(dir, "dbus-send",
                         {"--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
                          "org.freedesktop.DBus.GetConnectionUnixProcessID", "string:" + name});
        pids.insert(QString::fromUtf8(pid).simplified().section(' ', -1).toLongLong(), name);
    }
    return pids;
}

// A call to the program's tray item as the panel makes it; gdbus's answer.
QString askItem(const QString& dir, const QString& item, const QString& path, const QString& method,
                const QStringList& arguments) {
    return QString::fromUtf8(
        runInSession(dir, "gdbus",
                     QStringList{"call", "--session", "--dest", item, "--object-path", path,
                                 "--method", method, "--"} +
                         arguments));
}

// The menu's entries in gdbus's text of a GetLayout answer: a label each,
// "-" for a separator, with its id.
QList<std::pair<int, QString>> menuEntries(const QString& layout) {
    static const QRegularExpression entry(R"(<\((\d+), \{([^}]*)\})");
    static const QRegularExpression label(R"('label': <'([^']*)'>)");
    QList<std::pair<int, QString>> entries;
    for (auto it = entry.globalMatch(layout); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        entries.emplace_back(m.captured(1).toInt(), m.captured(2).contains("'separator'")
                                                        ? QStringLiteral("-")
                                                        : label.match(m.captured(2)).captured(1));
    }
    return entries;
}

class SwayEndToEnd : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir.isEmpty()) << "runs inside the sway fixture"; }
    const QString dir = swayTestDir();
};

TEST_F(SwayEndToEnd, TitleAndSizeRulesCloseWindowsPolitelyOthersStayAndTheLogIsRight) {
    TestWindow pub(dir, "Pub - Mozilla", {400, 300});
    TestWindow big(dir, "Grande - Mozilla", {300, 200});
    TestWindow stays(dir, "Reste - Mozilla", {250, 180});
    ASSERT_TRUE(pub.waitShown() && big.waitShown() && stays.waitShown());
    QProcess terminal; // not a browser window, though "Pub" is in its title
    startInSession(terminal, dir, "foot", {"--app-id", "foot", "--title", "Pub dans foot"});
    ASSERT_TRUE(terminal.waitForStarted(5000));
    ASSERT_FALSE(waitForContainer(dir, "Pub dans foot").isEmpty());
    const QSize bigSize = outerSize(waitForContainer(dir, "Grande - Mozilla"));
    ASSERT_NE(outerSize(waitForContainer(dir, "Reste - Mozilla")), bigSize);

    SessionVornelFolder folder;
    folder.write("vornel.ini", QString("[Vornel]\r\nTotal=5\r\nFenetre1= - Mozilla\r\n"
                                       "[Windows]\r\n1=Y,pub,N,1,1\r\n2=N,,Y,%1,%2\r\n")
                                   .arg(bigSize.width())
                                   .arg(bigSize.height())
                                   .toUtf8());
    QProcess vornel;
    vornel.setProcessChannelMode(QProcess::ForwardedChannels);
    folder.start(vornel, dir);
    ASSERT_TRUE(vornel.waitForStarted(5000));

    EXPECT_TRUE(pub.waitClosed()) << "the title rule did not close its window";
    EXPECT_TRUE(big.waitClosed()) << "the size rule did not close its window";
    QThread::msleep(600); // three ticks
    EXPECT_FALSE(stays.sawClose());
    EXPECT_FALSE(terminal.waitForFinished(10)) << "a window that is not a browser's stays";

    // The icon is in waybar's tray: registered with its watcher.
    EXPECT_TRUE(waitUntilTrue([&] { return trayItemsOf(dir).contains(vornel.processId()); }))
        << "no StatusNotifierItem of the program's process";

    // A window that takes a matching title is caught at the next tick.
    stays.retitle("Pub encore - Mozilla");
    EXPECT_TRUE(stays.waitClosed(3000)) << "the retitled window was not closed";

    stopPolitely(vornel);
    EXPECT_EQ(iniValue(folder, "Total"), "8");
    const QStringList log = lines(folder.read("vornel.log"));
    ASSERT_EQ(log.size(), 3) << log.join('\n').toStdString();
    // Newest first: the retitled window; the first two closed in one tick.
    EXPECT_TRUE(log[0].endsWith(" : Titre~\"pub\" ")) << log[0].toStdString();
    QStringList firstTick{log[1].section(" : ", 1), log[2].section(" : ", 1)};
    firstTick.sort();
    EXPECT_EQ(firstTick,
              (QStringList{QString("Taille=\"%1,%2\"").arg(bigSize.width()).arg(bigSize.height()),
                           "Titre~\"pub\" "}));

    terminal.kill();
    terminal.waitForFinished(5000);
}

TEST_F(SwayEndToEnd, WindowsOptionListsWhatSwayLists) {
    TestWindow first(dir, "Liste une - Mozilla", {320, 240});
    TestWindow second(dir, "Liste deux", {200, 100});
    ASSERT_TRUE(first.waitShown() && second.waitShown());
    ASSERT_FALSE(waitForContainer(dir, "Liste deux").isEmpty());

    SessionVornelFolder folder;
    QProcess listing;
    folder.start(listing, dir, {"--windows"});
    ASSERT_TRUE(listing.waitForFinished(10000));
    EXPECT_EQ(listing.exitCode(), 0);
    std::set<QString> listed;
    for (const QString& line : lines(listing.readAllStandardOutput())) {
        const QStringList f = line.split('\t');
        ASSERT_EQ(f.size(), 5) << line.toStdString();
        EXPECT_EQ(f[1], "1") << "visible";
        EXPECT_EQ(f[2], "0") << "not minimised";
        listed.insert(f[0] + ' ' + f[3] + ' ' + f[4]);
    }

    std::set<QString> swayLists;
    forEachWindow(swayTree(dir), [&](const QJsonObject& w) {
        const QSize size = outerSize(w);
        swayLists.insert(QString("%1 %2x%3 %4")
                             .arg(w["id"].toInteger())
                             .arg(size.width())
                             .arg(size.height())
                             .arg(w["name"].toString()));
    });
    EXPECT_EQ(listed, swayLists);
    EXPECT_EQ(listed.size(), 2u);
}

// The foreign-toplevel list, which sway offers too, forced: title rules
// close, size rules never do (the list tells no size), and the user is told.
TEST_F(SwayEndToEnd, ForcedForeignToplevelListTitleRulesCloseSizeRulesNever) {
    TestWindow pub(dir, "Pub - Mozilla", {400, 300});
    TestWindow sized(dir, "Mesurée - Mozilla", {300, 200});
    ASSERT_TRUE(pub.waitShown() && sized.waitShown());
    const QSize size = outerSize(waitForContainer(dir, "Mesurée - Mozilla"));

    SessionVornelFolder folder;
    folder.write("vornel.ini", QString("[Vornel]\r\nFenetre1= - Mozilla\r\n[Windows]\r\n"
                                       "1=N,,Y,%1,%2\r\n2=N,,E,5000,5000\r\n3=Y,pub,N,1,1\r\n")
                                   .arg(size.width())
                                   .arg(size.height())
                                   .toUtf8());
    QProcess vornel;
    folder.start(vornel, dir, {"--desktop", "wlroots"});
    ASSERT_TRUE(vornel.waitForStarted(5000));

    EXPECT_TRUE(pub.waitClosed()) << "the title rule did not close its window";
    QThread::msleep(600);
    EXPECT_FALSE(sized.sawClose()) << "a size that cannot be seen closed a window";
    stopPolitely(vornel);
    EXPECT_TRUE(vornel.readAllStandardError().contains(
        "vornel: Les règles de taille ne ferment rien sur ce bureau"));
    const QStringList log = lines(folder.read("vornel.log"));
    ASSERT_EQ(log.size(), 1) << log.join('\n').toStdString();
    EXPECT_TRUE(log[0].endsWith(" : Titre~\"pub\" ")) << log[0].toStdString();
}

// sway's "kill" closes an X window that lists WM_DELETE_WINDOW politely but
// kills the client of one that does not: that one must be left alone.
TEST(SwayXWaylandEndToEnd, AnXWindowWithoutTheDeleteProtocolIsNeverClosed) {
    WaylandSession session("sway", true);
    ASSERT_TRUE(session.started());
    TestWindow polite(session.dir(), "Polie - Mozilla", {300, 200}, "xcb");
    TestWindow rude(session.dir(), "Sans protocole - Mozilla", {300, 200}, "xcb",
                    {"--without-delete-protocol"});
    ASSERT_TRUE(polite.waitShown() && rude.waitShown());
    ASSERT_EQ(waitForContainer(session.dir(), "Sans protocole - Mozilla")["shell"].toString(),
              "xwayland");

    SessionVornelFolder folder;
    folder.write("vornel.ini",
                 "[Vornel]\r\nFenetre1= - Mozilla\r\n[Windows]\r\n1=Y,mozilla,N,1,1\r\n");
    QProcess vornel;
    vornel.setProcessChannelMode(QProcess::ForwardedChannels);
    folder.start(vornel, session.dir());
    ASSERT_TRUE(vornel.waitForStarted(5000));

    EXPECT_TRUE(polite.waitClosed()) << "the X window that lists WM_DELETE_WINDOW was not closed";
    QThread::msleep(1000); // five ticks, each of which would try again
    EXPECT_TRUE(rude.running()) << "the client without the protocol was killed";
    EXPECT_FALSE(rude.sawClose());
    stopPolitely(vornel);

    // The foreign-toplevel list does not say which windows are X windows:
    // the X window of the same title is asked about instead.
    TestWindow politeAgain(session.dir(), "Polie encore - Mozilla", {300, 200}, "xcb");
    ASSERT_TRUE(politeAgain.waitShown());
    QProcess listOnly;
    folder.start(listOnly, session.dir(), {"--desktop", "wlroots"});
    ASSERT_TRUE(listOnly.waitForStarted(5000));
    EXPECT_TRUE(politeAgain.waitClosed()) << "wlroots: the polite X window was not closed";
    QThread::msleep(1000);
    EXPECT_TRUE(rude.running()) << "wlroots: the client without the protocol was killed";
    stopPolitely(listOnly);
}

// What waybar asks of the icon, over the session bus: the item names its
// menu and is only a menu; the menu, rebuilt when asked, lists the window of
// the moment and the three commands, in the desktop's language; a click on
// "Mettre en pause" ("Pause") pauses.
// (The single calls, AboutToShow and Event, are the tray test's.)
TEST_F(SwayEndToEnd, WaybarReadsTheTrayMenuOverDBusAndAClickPauses) {
    TestWindow pub(dir, "Pub du jour - Mozilla", {300, 200});
    ASSERT_TRUE(pub.waitShown());
    const struct {
        QStringList environment;
        QStringList commands;
        QString resume;
    } languages[] = {
        {{}, {"-", "Mettre en pause", "Afficher la fenêtre", "Quitter"}, "Activer Vornel"},
        {{"LC_ALL=de_DE.UTF-8"}, {"-", "Pause", "Show the window", "Quit"}, "Resume Vornel"},
    };
    for (const auto& language : languages) {
        SCOPED_TRACE(language.environment.join(' ').toStdString());
        SessionVornelFolder folder;
        folder.write("vornel.ini", "[Vornel]\r\nFenetre1= - Mozilla\r\n");
        QProcess vornel;
        vornel.setProcessChannelMode(QProcess::ForwardedChannels);
        folder.start(vornel, dir, {}, language.environment);
        ASSERT_TRUE(vornel.waitForStarted(5000));
        QString item;
        ASSERT_TRUE(waitUntilTrue([&] {
            item = trayItemsOf(dir).value(vornel.processId());
            return !item.isEmpty();
        })) << "no StatusNotifierItem of the program's process";

        const QString sni = "/StatusNotifierItem";
        const QString get = "org.freedesktop.DBus.Properties.Get";
        EXPECT_EQ(askItem(dir, item, sni, get, {"org.kde.StatusNotifierItem", "ItemIsMenu"}),
                  "(<true>,)\n");
        const QString menuPath =
            askItem(dir, item, sni, get, {"org.kde.StatusNotifierItem", "Menu"})
                .section('\'', 1, 1);
        ASSERT_TRUE(menuPath.startsWith('/'));
        ASSERT_NE(menuPath, "/NO_DBUSMENU");

        auto menuAtOpening = [&] {
            askItem(dir, item, menuPath, "com.canonical.dbusmenu.AboutToShowGroup", {"[0]"});
            return menuEntries(askItem(dir, item, menuPath, "com.canonical.dbusmenu.GetLayout",
                                       {"0", "-1", "[]"}));
        };
        // The candidate list fills at the scan's first ticks.
        QList<std::pair<int, QString>> menu;
        EXPECT_TRUE(waitUntilTrue([&] {
            menu = menuAtOpening();
            return menu.size() == 5;
        }));
        ASSERT_EQ(menu.size(), 5);
        EXPECT_TRUE(menu[0].second.startsWith("Pub du jour")) << menu[0].second.toStdString();
        EXPECT_EQ(QStringList({menu[1].second, menu[2].second, menu[3].second, menu[4].second}),
                  language.commands);

        // Clicks in groups, as libdbusmenu (waybar's) sends them.
        askItem(dir, item, menuPath, "com.canonical.dbusmenu.EventGroup",
                {QString("[(%1, 'clicked', <0>, uint32 0)]").arg(menu[2].first)});
        EXPECT_TRUE(waitUntilTrue([&] {
            return menuAtOpening().value(2).second == language.resume;
        })) << "the pause entry did not turn into "
            << language.resume.toStdString();
        stopPolitely(vornel);
    }
}

// Started at logon, the program may come up before the panel that holds the
// notification area. Its main window shows meanwhile, so that it can be
// reached, and its icon reaches the tray once the panel is up. A panel that
// is restarted later, and knows nothing of the icons of the one before, gets
// the icon again.
TEST(SwayTrayEndToEnd, TheIconReachesATrayThatStartsAfterTheProgram) {
    WaylandSession session("sway");
    ASSERT_TRUE(session.started());
    const QString dir = session.dir();
    auto trayHost = [&] {
        return runInSession(dir, "dbus-send",
                            {"--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
                             "org.freedesktop.DBus.NameHasOwner",
                             "string:org.kde.StatusNotifierWatcher"})
            .contains("true");
    };
    // The session's panel, named by its settings file, ends.
    ASSERT_TRUE(waitUntilTrue(trayHost)) << "waybar did not offer a tray";
    const QString panelSettings = sessionVariable(dir, "XDG_RUNTIME_DIR") + "/waybar.json";
    QProcess::execute("pkill", {"-f", panelSettings});
    ASSERT_TRUE(waitUntilTrue([&] { return !trayHost(); }));

    SessionVornelFolder folder;
    QProcess vornel;
    vornel.setProcessChannelMode(QProcess::ForwardedChannels);
    folder.start(vornel, dir);
    ASSERT_TRUE(vornel.waitForStarted(5000));
    EXPECT_FALSE(
        waitForContainer(dir, "Vornel 2003.03 - ferme les fenêtres de pub de votre navigateur")
            .isEmpty())
        << "without a tray the main window must show";

    ASSERT_TRUE(swaymsg(dir, "exec waybar -c " + panelSettings + " -s /dev/null"));
    EXPECT_TRUE(waitUntilTrue([&] { return trayItemsOf(dir).contains(vornel.processId()); }))
        << "the icon did not reach the tray that started later";

    QProcess::execute("pkill", {"-f", panelSettings});
    ASSERT_TRUE(waitUntilTrue([&] { return !trayHost(); }));
    ASSERT_TRUE(swaymsg(dir, "exec waybar -c " + panelSettings + " -s /dev/null"));
    EXPECT_TRUE(waitUntilTrue([&] { return trayItemsOf(dir).contains(vornel.processId()); }))
        << "the icon did not reach the restarted tray";
    stopPolitely(vornel);
}

// A panel that hangs: it holds the tray watcher's name, answers nothing and
// says ten times a second that a host registered. The program asks it one
// question at a time and never waits for it: each pop-up still goes at once.
TEST(SwayTrayEndToEnd, AWatcherThatNeverAnswersHoldsUpNoClose) {
    WaylandSession session("sway");
    ASSERT_TRUE(session.started());
    const QString dir = session.dir();
    const QString panelSettings = sessionVariable(dir, "XDG_RUNTIME_DIR") + "/waybar.json";
    QProcess::execute("pkill", {"-f", panelSettings});
    QProcess deaf;
    ASSERT_TRUE(waitUntilTrue([&] {
        if (deaf.state() == QProcess::NotRunning)
            startInSession(deaf, dir,
                           runnableInSession(dir, qEnvironmentVariable("VORNEL_TEST_WINDOW")),
                           {"--deaf-tray-watcher"});
        deaf.waitForReadyRead(500);
        return deaf.readAllStandardOutput().contains("watching");
    })) << "the deaf watcher did not take the name (the panel still held it)";

    SessionVornelFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nFenetre1= - Mozilla\r\n[Windows]\r\n1=Y,pub,N,1,1\r\n");
    QProcess vornel;
    vornel.setProcessChannelMode(QProcess::ForwardedChannels);
    folder.start(vornel, dir);
    ASSERT_TRUE(vornel.waitForStarted(5000));
    EXPECT_FALSE(
        waitForContainer(dir, "Vornel 2003.03 - ferme les fenêtres de pub de votre navigateur")
            .isEmpty())
        << "without a tray the main window must show";

    for (int i = 1; i <= 3; ++i) {
        TestWindow pub(dir, QString("Pub %1 - Mozilla").arg(i), {300, 200});
        ASSERT_TRUE(pub.waitShown());
        EXPECT_TRUE(pub.waitClosed(1500)) << "pop-up " << i << " was not closed within 1.5 s";
    }
    stopPolitely(vornel);
    deaf.kill();
    deaf.waitForFinished(5000);
}

} // namespace
