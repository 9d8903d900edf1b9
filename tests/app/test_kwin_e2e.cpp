// The real program in a headless KWin session (the kwin fixture), run as an
// ordinary user the way a user runs it. Rules close native Wayland windows politely through the
// KWin script, other windows stay, the log and the total are right after SIGTERM, a retitled window
// is caught, the script is loaded once, fed by events and gone after the program ends, and
// --windows lists what KWin lists.
#include "support/wayland_session.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <cstdio>
#include <set>
#include <unistd.h>

using namespace vornel::test;

namespace {

QDBusMessage scripting(const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting",
                                                       "org.kde.kwin.Scripting", method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

bool scriptLoaded() {
    return scripting("isScriptLoaded", {"vornel"}).arguments().value(0).toBool();
}

// The lines a look (--windows) run inside the session prints; none when it
// failed.
QStringList lookedAt(const SessionVornelFolder& folder, const QString& dir) {
    QProcess listing;
    folder.start(listing, dir, {"--windows"});
    return listing.waitForFinished(10000) && listing.exitCode() == 0
               ? lines(listing.readAllStandardOutput())
               : QStringList();
}

// The method calls on the session bus, as the bus carries them.
class ScriptCalls {
public:
    explicit ScriptCalls(const QString& dir) {
        // Line by line: the monitor's output is otherwise held back until it ends.
        startInSession(monitor_, dir, "stdbuf",
                       {"-oL", "dbus-monitor", "--session", "--profile", "type='method_call'"});
        monitor_.waitForStarted(5000);
        QThread::msleep(300); // until the monitor listens
    }
    ~ScriptCalls() {
        monitor_.kill();
        monitor_.waitForFinished(5000);
    }
    // How many calls of this method (any method when empty) arrived so far.
    int count(const QString& method = {}) {
        // Without an event loop, only a wait brings in what the pipe holds.
        while (monitor_.waitForReadyRead(200))
            output_ += monitor_.readAllStandardOutput();
        int n = 0;
        for (const QString& line : lines(output_))
            if (line.startsWith("mc") && (method.isEmpty() || line.endsWith("\t" + method))) ++n;
        return n;
    }
    QString all() const { return QString::fromUtf8(output_); }

private:
    QProcess monitor_;
    QByteArray output_;
};

class KWinEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.isEmpty()) << "runs with the kwin fixture";
        // Before the first use of the session bus, which is then kept.
        qputenv("DBUS_SESSION_BUS_ADDRESS",
                sessionVariable(dir, "DBUS_SESSION_BUS_ADDRESS").toUtf8());
    }
    void TearDown() override { scripting("unloadScript", {"vornel"}); }
    const QString dir = qEnvironmentVariable("VORNEL_TEST_KWIN_DIR");
};

TEST_F(KWinEndToEnd, TitleAndSizeRulesCloseWindowsPolitelyOthersStayAndTheLogIsRight) {
    TestWindow pub(dir, "Pub - Mozilla", {400, 300});
    TestWindow big(dir, "Grande - Mozilla", {300, 200});
    TestWindow stays(dir, "Reste - Mozilla", {250, 180});
    TestWindow other(dir, "Pub sans navigateur", {260, 160});
    ASSERT_TRUE(pub.waitShown() && big.waitShown() && stays.waitShown() && other.waitShown());

    // KWin draws no frame for these clients headless: the outer size it
    // reports is the size the client asked for.
    SessionVornelFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nTotal=5\r\nFenetre1= - Mozilla\r\n"
                               "[Windows]\r\n1=Y,pub,N,1,1\r\n2=N,,Y,300,200\r\n");
    ScriptCalls calls(dir);
    QProcess vornel;
    vornel.setProcessChannelMode(QProcess::ForwardedChannels);
    folder.start(vornel, dir);
    ASSERT_TRUE(vornel.waitForStarted(5000));

    EXPECT_TRUE(pub.waitClosed()) << "the title rule did not close its window";
    EXPECT_TRUE(big.waitClosed()) << "the size rule did not close its window";
    QThread::msleep(600); // three ticks
    EXPECT_FALSE(stays.sawClose());
    EXPECT_FALSE(other.sawClose()) << "a window that is not a browser's stays";

    // Loaded once: KWin refuses a second script of the same name.
    EXPECT_TRUE(scriptLoaded());
    const QString written = sessionVariable(dir, "XDG_RUNTIME_DIR") + "/vornel/vornel_windows.js";
    EXPECT_TRUE(QFile::exists(written)) << "the script KWin loads is written there";
    EXPECT_LT(scripting("loadScript", {written, "vornel"}).arguments().value(0).toInt(), 0);

    // Fed by events: while nothing changes, nobody calls anybody on the bus,
    // however many ticks pass.
    const int changesBefore = calls.count("windowChanged");
    EXPECT_GE(changesBefore, 4) << "each window was reported as it arrived";
    const int callsBefore = calls.count();
    QThread::msleep(1500);
    EXPECT_EQ(calls.count(), callsBefore) << calls.all().toStdString();

    // A window that takes a matching title is caught at the next tick.
    stays.retitle("Pub encore - Mozilla");
    EXPECT_TRUE(stays.waitClosed(3000)) << "the retitled window was not closed";
    EXPECT_GT(calls.count("windowChanged"), changesBefore);

    stopPolitely(vornel);
    // KWin 6 lets an unloaded script go a moment after the unload.
    EXPECT_TRUE(waitUntilTrue([] { return !scriptLoaded(); })) << "the script outlived the program";
    EXPECT_EQ(iniValue(folder, "Total"), "8");
    const QStringList log = lines(folder.read("vornel.log"));
    ASSERT_EQ(log.size(), 3) << log.join('\n').toStdString();
    // Newest first: the retitled window; the first two closed in one tick.
    EXPECT_TRUE(log[0].endsWith(" : Titre~\"pub\" ")) << log[0].toStdString();
    QStringList firstTick{log[1].section(" : ", 1), log[2].section(" : ", 1)};
    firstTick.sort();
    EXPECT_EQ(firstTick, (QStringList{"Taille=\"300,200\"", "Titre~\"pub\" "}));
    EXPECT_FALSE(other.sawClose());
}

TEST_F(KWinEndToEnd, WindowsOptionListsWhatKWinLists) {
    TestWindow first(dir, "Liste une - Mozilla", {320, 240});
    TestWindow second(dir, "Liste deux", {200, 100});
    ASSERT_TRUE(first.waitShown() && second.waitShown());

    SessionVornelFolder folder;
    QStringList output;
    // A client says it is shown a moment before KWin maps its window.
    ASSERT_TRUE(waitUntilTrue([&] {
        output = lookedAt(folder, dir);
        return output.size() == 2;
    })) << output.join('\n').toStdString();
    std::set<QString> listed, handles;
    for (const QString& line : output) {
        const QStringList f = line.split('\t');
        ASSERT_EQ(f.size(), 5) << line.toStdString();
        EXPECT_EQ(f[1], "1") << "visible";
        EXPECT_EQ(f[2], "0") << "not minimised";
        handles.insert(f[0]);
        listed.insert(f[3] + ' ' + f[4]);
    }
    EXPECT_EQ(listed, (std::set<QString>{"320x240 Liste une - Mozilla", "200x100 Liste deux"}));
    EXPECT_EQ(handles.size(), 2u);
    EXPECT_TRUE(waitUntilTrue([] { return !scriptLoaded(); })) << "the look left its script behind";
}

// A package upgrade replaces the program file under the running program:
// the look, run from the new file, is still answered by the running one.
TEST_F(KWinEndToEnd, WindowsOptionIsAnsweredAfterAnUpgradeReplacedTheProgram) {
    TestWindow window(dir, "Avant mise à jour - Mozilla", {300, 200});
    ASSERT_TRUE(window.waitShown());
    SessionVornelFolder folder;
    QProcess vornel;
    folder.start(vornel, dir);
    ASSERT_TRUE(vornel.waitForStarted(5000));
    ASSERT_TRUE(waitUntilTrue(scriptLoaded));

    // As dpkg does: a new file renamed over the old one.
    const QString program = folder.file("vornel");
    ASSERT_TRUE(QFile::copy(program, program + ".new"));
    ASSERT_EQ(std::rename(QFile::encodeName(program + ".new").constData(),
                          QFile::encodeName(program).constData()),
              0);
    if (geteuid() == 0) QProcess::execute("chown", {sessionUser() + ":", program});

    QStringList output;
    QByteArray errors;
    EXPECT_TRUE(waitUntilTrue([&] {
        QProcess listing;
        folder.start(listing, dir, {"--windows"});
        listing.waitForFinished(10000);
        output = lines(listing.readAllStandardOutput());
        errors = listing.readAllStandardError();
        return output.join('\n').contains("Avant mise à jour - Mozilla");
    })) << output.join('\n').toStdString()
        << errors.toStdString();
    EXPECT_TRUE(scriptLoaded()) << "the running program keeps its script";
    stopPolitely(vornel);
}

// KWin's closeWindow() sends WM_DELETE_WINDOW to an X window that lists it
// but kills the client of one that does not: that one must be left alone.
TEST(KWinXWaylandEndToEnd, AnXWindowWithoutTheDeleteProtocolIsNeverClosed) {
    WaylandSession session("kwin", true);
    ASSERT_TRUE(session.started());
    TestWindow polite(session.dir(), "Polie - Mozilla", {300, 200}, "xcb");
    TestWindow rude(session.dir(), "Sans protocole - Mozilla", {300, 200}, "xcb",
                    {"--without-delete-protocol"});
    ASSERT_TRUE(polite.waitShown() && rude.waitShown());

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

    // KWin 6 shows "Pub  X" as "Pub X": the window that lists the protocol
    // must not vouch for its look-alike, whose program KWin would kill.
    TestWindow lookAlike(session.dir(), "Pub  X - Mozilla", {300, 200}, "xcb",
                         {"--without-delete-protocol"});
    TestWindow vouching(session.dir(), "Pub X - Mozilla", {300, 200}, "xcb");
    ASSERT_TRUE(lookAlike.waitShown() && vouching.waitShown());
    QThread::msleep(1500);
    EXPECT_TRUE(lookAlike.running()) << "the look-alike without the protocol was killed";
    EXPECT_FALSE(lookAlike.sawClose());
    // Closed politely (KWin 5 gives the X id) or left open, never killed.
    EXPECT_TRUE(vouching.running() || vouching.sawClose()) << "the polite one was killed";

    // KWin 5 tells a second X window of a title apart by " <2>" and an
    // invisible mark: what the rules are tested against is the title the
    // program set, for each copy.
    TestWindow twin(session.dir(), "Jumelle", {200, 120}, "xcb");
    TestWindow otherTwin(session.dir(), "Jumelle", {200, 120}, "xcb");
    ASSERT_TRUE(twin.waitShown() && otherTwin.waitShown());
    QStringList twins;
    EXPECT_TRUE(waitUntilTrue([&] {
        twins.clear();
        for (const QString& line : lookedAt(folder, session.dir()))
            if (line.section('\t', 4).startsWith("Jumelle")) twins << line.section('\t', 4);
        return twins.size() == 2;
    }));
    EXPECT_EQ(twins, (QStringList{"Jumelle", "Jumelle"}));

    stopPolitely(vornel);
}

} // namespace
