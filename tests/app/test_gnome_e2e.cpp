// The real program in a headless GNOME Shell session of its own, run as an
// ordinary user the way a user runs it. The first run installs and enables
// the extension and says that windows come after the next login; once the
// shell has started again with the same home, rules close native Wayland
// windows politely, others stay, the log and the total are right after
// SIGTERM, a retitled window is caught and --windows lists what GNOME lists.
// Before that, --windows says whether the extension is missing or waits for
// the next login. A user who disables the extension is told so. The user's
// list of enabled extensions is only ever added to, never written from a
// read that failed.
#include "support/wayland_session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <map>

using namespace vornel::test;

namespace {

const QString Uuid = "vornel@vornel.org";

QByteArray shellCall(const QString& dir, const QString& path, const QString& method,
                     const QStringList& arguments = {}) {
    return runInSession(dir, "gdbus",
                        QStringList{"call", "--session", "--dest", "org.gnome.Shell",
                                    "--object-path", path, "--method", method} +
                            arguments);
}

// A call to the extension from a program that stands in for Vornel: it owns
// Vornel's bus name, as the running Vornel does, for the one call.
QByteArray callAsVornel(const QString& dir, const QString& method, const QString& arguments) {
    const QString script =
        QString("const {Gio, GLib} = imports.gi;\n"
                "const bus = Gio.DBus.session;\n"
                "bus.call_sync('org.freedesktop.DBus', '/org/freedesktop/DBus',\n"
                "    'org.freedesktop.DBus', 'RequestName',\n"
                "    new GLib.Variant('(su)', ['org.vornel.Vornel', 4]), null, 0, -1, null);\n"
                "const r = bus.call_sync('org.gnome.Shell', '/org/vornel/Windows',\n"
                "    'org.vornel.Windows', '%1', %2, null, 0, -1, null);\n"
                "print(JSON.stringify(r.deepUnpack()[0]));\n")
            .arg(method, arguments);
    return runInSession(dir, "gjs", {"-c", script});
}

// The windows as the extension lists them to Vornel: title -> frame size.
std::map<QString, QSize> shellWindows(const QString& dir) {
    // Printed as a JSON string holding the JSON list.
    const QJsonArray list =
        QJsonDocument::fromJson(
            QJsonDocument::fromJson("[" + callAsVornel(dir, "List", "null") + "]")
                .array()
                .at(0)
                .toString()
                .toUtf8())
            .array();
    std::map<QString, QSize> windows;
    for (const QJsonValue& v : list) {
        const QJsonObject w = v.toObject();
        windows[w["title"].toString()] = QSize(w["width"].toInt(), w["height"].toInt());
    }
    return windows;
}

// A look (--windows) asks the shell, the running program and gsettings in
// turn, each within a few seconds; on a busy machine they add up.
constexpr int LookMs = 30000;

// Waits until the program has said text on stderr; what it said is in errors.
bool saysOnStderr(QProcess& vornel, QByteArray& errors, const char* text) {
    return waitUntilTrue([&] {
        vornel.waitForReadyRead(100);
        errors += vornel.readAllStandardError();
        return errors.contains(text);
    });
}

// A GNOME session that can be ended and started again with the same home,
// as a user logs out and in again.
class GnomeSession {
public:
    GnomeSession() { start(); }
    ~GnomeSession() { stop(); }
    // A headless shell that has not answered within its time is ended and
    // started once more: the program under test plays no part yet, and the
    // script has said on stderr why the first start failed.
    bool start(bool xwayland = false) {
        QStringList arguments{"start", dir(), "gnome"};
        if (xwayland) arguments << "--xwayland";
        started_ = sessionScript(arguments);
        if (!started_) started_ = sessionScript(arguments);
        return started_;
    }
    void stop() { sessionScript({"stop", dir()}); }
    bool started() const { return started_; }
    QString dir() const { return dir_.path(); }
    QString home() const { return dir_.filePath("home"); }

private:
    QTemporaryDir dir_;
    bool started_ = false;
};

TEST(GnomeEndToEnd, FirstRunSetsUpTheExtensionAndAfterTheNextLoginRulesCloseWindows) {
    GnomeSession session;
    ASSERT_TRUE(session.started());
    const QString dir = session.dir();
    SessionVornelFolder folder;
    // The program's settings beside it; GNOME's in the session's home.
    const QStringList environment{"XDG_CONFIG_HOME=" + session.home() + "/.config"};

    // A look sets nothing up; while the extension does not answer, it says
    // why instead of listing nothing. Before the first run: not installed.
    auto look = [&](const char* says) {
        QProcess listing;
        folder.start(listing, dir, {"--windows"}, environment);
        ASSERT_TRUE(listing.waitForFinished(LookMs));
        EXPECT_EQ(listing.exitCode(), 1) << says;
        EXPECT_EQ(listing.readAllStandardOutput(), "") << says;
        const QByteArray errors = listing.readAllStandardError();
        EXPECT_TRUE(errors.contains(says)) << errors.toStdString();
    };
    look("n'est pas installée");
    EXPECT_FALSE(QFile::exists(session.home() + "/.local/share/gnome-shell/extensions/" + Uuid));

    // First run: nothing to see yet, and the user is told why.
    {
        QProcess vornel;
        folder.start(vornel, dir, {}, environment);
        ASSERT_TRUE(vornel.waitForStarted(5000));
        QByteArray errors;
        EXPECT_TRUE(saysOnStderr(vornel, errors, "visibles après la prochaine connexion"))
            << errors.toStdString();
        stopPolitely(vornel);
    }
    const QString installed = session.home() + "/.local/share/gnome-shell/extensions/" + Uuid;
    QFile metadata(installed + "/metadata.json");
    ASSERT_TRUE(metadata.open(QIODevice::ReadOnly))
        << "the extension was not installed for the user";
    const QJsonDocument metadataJson = QJsonDocument::fromJson(metadata.readAll());
    // Kept on while the screen is locked: GNOME would otherwise turn it off
    // at every lock, and Vornel would see nothing until the unlock.
    EXPECT_TRUE(metadataJson["session-modes"].toArray().contains(QString("unlock-dialog")));
    // The form for the shell that runs: GNOME 43 (Debian 12) loads the older
    // one, GNOME 45 and later (Debian 13's 48) only the ES-module one.
    const QJsonArray versions = metadataJson["shell-version"].toArray();
    const QString shell = QString::fromUtf8(runInSession(dir, "gnome-shell", {"--version"}))
                              .section(' ', -1)
                              .section('.', 0, 0)
                              .trimmed();
    ASSERT_FALSE(shell.isEmpty());
    EXPECT_TRUE(versions.contains(shell)) << "no form for GNOME " << shell.toStdString();
    EXPECT_TRUE(QFile::exists(installed + "/extension.js"));
    EXPECT_TRUE(runInSession(dir, "gsettings", {"get", "org.gnome.shell", "enabled-extensions"})
                    .contains(Uuid.toUtf8()));
    // Installed and enabled, which the shell learns only at the next login.
    look("est installée et activée");

    // The next login: the shell starts with the extension enabled.
    session.stop();
    ASSERT_TRUE(session.start());
    TestWindow pub(dir, "Pub - Mozilla", {400, 300});
    TestWindow big(dir, "Grande - Mozilla", {300, 200});
    TestWindow stays(dir, "Reste - Mozilla", {250, 180});
    TestWindow other(dir, "Pub sans navigateur", {260, 160});
    ASSERT_TRUE(pub.waitShown() && big.waitShown() && stays.waitShown() && other.waitShown());
    std::map<QString, QSize> listed, before;
    // Until every window has been given its size, and the sizes have
    // settled: GNOME 48 gives a new window its final frame a moment later.
    ASSERT_TRUE(waitUntilTrue([&] {
        QThread::msleep(300);
        before = std::exchange(listed, shellWindows(dir));
        return listed.size() == 4 && listed == before &&
               std::all_of(listed.begin(), listed.end(),
                           [](auto& w) { return !w.second.isEmpty(); });
    }));
    // Any other program is refused: no title, and no close.
    const QByteArray refused = shellCall(dir, "/org/vornel/Windows", "org.vornel.Windows.List");
    EXPECT_EQ(refused, "") << refused.toStdString();
    QProcess other_caller;
    startInSession(other_caller, dir, "gdbus",
                   {"call", "--session", "--dest", "org.gnome.Shell", "--object-path",
                    "/org/vornel/Windows", "--method", "org.vornel.Windows.List"});
    ASSERT_TRUE(other_caller.waitForFinished(10000));
    EXPECT_NE(other_caller.exitCode(), 0);
    EXPECT_TRUE(other_caller.readAllStandardError().contains("AccessDenied"));
    EXPECT_EQ(shellCall(dir, "/org/vornel/Windows", "org.vornel.Windows.Close", {"1"}), "");
    // The frame rectangle: the client's own title bar and shadows included.
    const QSize bigSize = listed["Grande - Mozilla"];
    ASSERT_NE(bigSize, QSize(300, 200));
    ASSERT_NE(listed["Reste - Mozilla"], bigSize);

    // --windows lists what the shell lists.
    {
        QProcess listing;
        folder.start(listing, dir, {"--windows"}, environment);
        ASSERT_TRUE(listing.waitForFinished(LookMs));
        EXPECT_EQ(listing.exitCode(), 0);
        EXPECT_EQ(listing.readAllStandardError(), "") << "no notice once the extension runs";
        std::map<QString, QSize> seen;
        for (const QString& line : lines(listing.readAllStandardOutput())) {
            const QStringList f = line.split('\t');
            ASSERT_EQ(f.size(), 5) << line.toStdString();
            EXPECT_EQ(f[1], "1") << "visible";
            EXPECT_EQ(f[2], "0") << "not minimised";
            seen[f[4]] = QSize(f[3].section('x', 0, 0).toInt(), f[3].section('x', 1).toInt());
        }
        EXPECT_EQ(seen, listed);
    }

    folder.write("vornel.ini", QString("[Vornel]\r\nTotal=5\r\nFenetre1= - Mozilla\r\n"
                                       "[Windows]\r\n1=Y,pub,N,1,1\r\n2=N,,Y,%1,%2\r\n")
                                   .arg(bigSize.width())
                                   .arg(bigSize.height())
                                   .toUtf8());
    QProcess vornel;
    folder.start(vornel, dir, {}, environment);
    ASSERT_TRUE(vornel.waitForStarted(5000));
    EXPECT_TRUE(pub.waitClosed()) << "the title rule did not close its window";
    EXPECT_TRUE(big.waitClosed()) << "the size rule did not close its window";
    QThread::msleep(600); // three ticks
    EXPECT_FALSE(stays.sawClose());
    EXPECT_FALSE(other.sawClose()) << "a window that is not a browser's stays";

    stays.retitle("Pub encore - Mozilla");
    EXPECT_TRUE(stays.waitClosed(3000)) << "the retitled window was not closed";

    stopPolitely(vornel);
    EXPECT_FALSE(vornel.readAllStandardError().contains("vornel:")) << "no notice";
    EXPECT_EQ(iniValue(folder, "Total"), "8");
    const QStringList log = lines(folder.read("vornel.log"));
    ASSERT_EQ(log.size(), 3) << log.join('\n').toStdString();
    EXPECT_TRUE(log[0].endsWith(" : Titre~\"pub\" ")) << log[0].toStdString();
    QStringList firstTick{log[1].section(" : ", 1), log[2].section(" : ", 1)};
    firstTick.sort();
    EXPECT_EQ(firstTick,
              (QStringList{QString("Taille=\"%1,%2\"").arg(bigSize.width()).arg(bigSize.height()),
                           "Titre~\"pub\" "}));
    EXPECT_FALSE(other.sawClose());

    // The user turns the extension off (as the Extensions application does)
    // while the program runs: it says so rather than silently seeing nothing,
    // and a look at the windows says so too. Turned on again, it works again.
    QProcess again;
    folder.start(again, dir, {}, environment);
    ASSERT_TRUE(again.waitForStarted(5000));
    QThread::msleep(1000);
    shellCall(dir, "/org/gnome/Shell", "org.gnome.Shell.Extensions.DisableExtension", {Uuid});
    QByteArray errors;
    EXPECT_TRUE(saysOnStderr(again, errors, "est désactivée")) << errors.toStdString();
    ASSERT_TRUE(waitUntilTrue([&] {
        return runInSession(dir, "gsettings", {"get", "org.gnome.shell", "disabled-extensions"})
            .contains(Uuid.toUtf8());
    }));
    QProcess listing;
    folder.start(listing, dir, {"--windows"}, environment);
    ASSERT_TRUE(listing.waitForFinished(LookMs));
    EXPECT_EQ(listing.exitCode(), 1);
    EXPECT_EQ(listing.readAllStandardOutput(), "");
    EXPECT_TRUE(listing.readAllStandardError().contains("est désactivée"));

    shellCall(dir, "/org/gnome/Shell", "org.gnome.Shell.Extensions.EnableExtension", {Uuid});
    TestWindow late(dir, "Pub tardive - Mozilla", {300, 250});
    ASSERT_TRUE(late.waitShown());
    EXPECT_TRUE(late.waitClosed()) << "nothing closed once the extension was on again";
    stopPolitely(again);

    // X windows, at a login with XWayland: mutter kills the program of one
    // that does not take WM_DELETE_WINDOW, so Vornel sends it that itself,
    // and counts the closing once XWayland has taken it.
    session.stop();
    ASSERT_TRUE(session.start(true));
    TestWindow polite(dir, "Polie - Mozilla", {300, 200}, "xcb");
    TestWindow rude(dir, "Sans protocole - Mozilla", {300, 200}, "xcb",
                    {"--without-delete-protocol"});
    ASSERT_TRUE(polite.waitShown() && rude.waitShown());
    folder.write("vornel.ini", "[Vornel]\r\nFenetre1= - Mozilla\r\n[Windows]\r\n"
                               "1=Y,Polie,N,1,1\r\n2=Y,protocole,N,1,1\r\n");
    const qsizetype logged = lines(folder.read("vornel.log")).size();
    QProcess xRun;
    folder.start(xRun, dir, {}, environment);
    ASSERT_TRUE(xRun.waitForStarted(5000));
    EXPECT_TRUE(polite.waitClosed()) << "the X window that lists WM_DELETE_WINDOW was not closed";
    QThread::msleep(1000); // five ticks, each of which would try again
    EXPECT_TRUE(rude.running()) << "the client without the protocol was killed";
    EXPECT_FALSE(rude.sawClose());
    stopPolitely(xRun);
    const QStringList xLog = lines(folder.read("vornel.log"));
    ASSERT_EQ(xLog.size(), logged + 1) << xLog.join('\n').toStdString();
    EXPECT_TRUE(xLog[0].endsWith(" : Titre~\"Polie\" ")) << xLog[0].toStdString();
}

// The list of enabled extensions is the user's: when it cannot be read at
// the first run (gsettings failed, or took too long at a busy login) or does
// not read as a list, it is left as it was and the user is told; when it can,
// Vornel's extension is added to the others.
TEST(GnomeEndToEnd, TheUsersExtensionsStayEnabledWhateverTheFirstRunCouldRead) {
    GnomeSession session;
    ASSERT_TRUE(session.started());
    const QString dir = session.dir();
    const auto enabledExtensions = [&] {
        return runInSession(dir, "gsettings", {"get", "org.gnome.shell", "enabled-extensions"})
            .trimmed()
            .toStdString();
    };
    QProcess set;
    startInSession(set, dir, "gsettings",
                   {"set", "org.gnome.shell", "enabled-extensions", "['autre@exemple.org']"});
    ASSERT_TRUE(set.waitForFinished(10000) && set.exitCode() == 0);
    ASSERT_EQ(enabledExtensions(), "['autre@exemple.org']");

    // gsettings as the program finds it, with the reading of the list made
    // to fail, or to print half a list, as mode says.
    SessionVornelFolder folder;
    QDir().mkpath(folder.file("bin"));
    folder.write("bin/gsettings", "#!/bin/sh\n"
                                  "if [ \"$1 $3\" = 'get enabled-extensions' ]; then\n"
                                  "    case $(cat \"$(dirname \"$0\")/mode\") in\n"
                                  "    fail) exit 1 ;;\n"
                                  "    half) echo \"['autre@exemple.org', 'vor\"; exit 0 ;;\n"
                                  "    esac\n"
                                  "fi\n"
                                  "exec /usr/bin/gsettings \"$@\"\n");
    ASSERT_TRUE(QFile::setPermissions(folder.file("bin/gsettings"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::ExeOther));
    const QStringList environment{"XDG_CONFIG_HOME=" + session.home() + "/.config",
                                  "PATH=" + folder.file("bin") + ':' + qgetenv("PATH")};
    for (const char* mode : {"fail", "half", "reads"}) {
        folder.write("bin/mode", mode);
        QProcess vornel;
        folder.start(vornel, dir, {}, environment);
        ASSERT_TRUE(vornel.waitForStarted(5000));
        QByteArray errors;
        EXPECT_TRUE(saysOnStderr(vornel, errors, "vornel: ")) << mode;
        stopPolitely(vornel);
        if (QByteArray(mode) != "reads") {
            EXPECT_TRUE(errors.contains("n'a pas pu être lue")) << mode << errors.toStdString();
            EXPECT_EQ(enabledExtensions(), "['autre@exemple.org']") << mode;
        } else {
            EXPECT_TRUE(errors.contains("visibles après la prochaine connexion"))
                << errors.toStdString();
            EXPECT_EQ(enabledExtensions(), "['autre@exemple.org', '" + Uuid.toStdString() + "']");
        }
    }
}

// An extension that will not answer Vornel, though Vornel holds its name
// (a copy out of step with the program, left loaded until the next login):
// the user is told, and the list is asked for again with the back-off, a
// few times and not at every tick, until the extension answers. The copy
// here refuses while a file says so, and notes each refusal.
TEST(GnomeEndToEnd, AnExtensionThatRefusesVornelIsToldAndAskedAgainWithTheBackOff) {
    GnomeSession session;
    ASSERT_TRUE(session.started());
    const QString dir = session.dir();
    SessionVornelFolder folder;
    const int shell = QString::fromUtf8(runInSession(dir, "gnome-shell", {"--version"}))
                          .section(' ', -1)
                          .section('.', 0, 0)
                          .trimmed()
                          .toInt();
    ASSERT_GT(shell, 0);
    const QString form = qEnvironmentVariable("VORNEL_BUILT_FILES") + "/gnome-shell/" +
                         (shell >= 45 ? "modules" : "legacy");
    QFile source(form + "/extension.js"), metadata(form + "/metadata.json");
    ASSERT_TRUE(source.open(QIODevice::ReadOnly) && metadata.open(QIODevice::ReadOnly));
    QByteArray script = source.readAll();
    const QByteArray answering = "        const caller = invocation.get_sender();\n";
    ASSERT_TRUE(script.contains(answering));
    script.replace(
        answering,
        answering + QString("        if (GLib.file_test('%1', GLib.FileTest.EXISTS)) {\n"
                            "            this._refused = (this._refused || []).concat(\n"
                            "                [String(GLib.get_monotonic_time())]);\n"
                            "            GLib.file_set_contents('%2', this._refused.join(' '));\n"
                            "            invocation.return_dbus_error(\n"
                            "                'org.freedesktop.DBus.Error.AccessDenied', 'Non.');\n"
                            "            return;\n"
                            "        }\n")
                        .arg(folder.file("refuse"), folder.file("refused"))
                        .toUtf8());
    QDir().mkpath(folder.file("extension"));
    folder.write("extension/extension.js", script);
    folder.write("extension/metadata.json", metadata.readAll());
    folder.write("refuse", "");
    const QString installed = "$HOME/.local/share/gnome-shell/extensions/" + Uuid;
    ASSERT_NE(
        runInSession(dir, "sh",
                     {"-c", QString("mkdir -p %1 && cp %2/* %1 && gsettings set "
                                    "org.gnome.shell enabled-extensions \"['%3']\" && echo ok")
                                .arg(installed, folder.file("extension"), Uuid)}),
        "");
    // The shell loads it at the next login.
    session.stop();
    ASSERT_TRUE(session.start());

    folder.write("vornel.ini", "[Vornel]\r\nFenetre1= - Mozilla\r\n[Windows]\r\n1=Y,pub,N,1,1\r\n");
    const QStringList environment{"XDG_CONFIG_HOME=" + session.home() + "/.config"};
    QProcess vornel;
    folder.start(vornel, dir, {}, environment);
    ASSERT_TRUE(vornel.waitForStarted(5000));
    QByteArray errors;
    EXPECT_TRUE(saysOnStderr(vornel, errors, "refuse de répondre à Vornel"))
        << errors.toStdString();
    // Asked again after 1, 2, 4 seconds...: a few times in 7 seconds, where
    // every tick would have asked dozens of times.
    const auto refusals = [&] { return folder.read("refused").split(' ').size(); };
    const qsizetype before = refusals();
    QThread::msleep(7000);
    EXPECT_GE(refusals() - before, 2) << "not asked again";
    EXPECT_LE(refusals() - before, 5) << "asked again without the back-off";

    // A window opened meanwhile is not seen; once the extension answers, the
    // next try sees it, and its rule closes it.
    TestWindow pub(dir, "Pub - Mozilla", {300, 200});
    ASSERT_TRUE(pub.waitShown());
    QThread::msleep(1000);
    EXPECT_FALSE(pub.sawClose());
    QFile::remove(folder.file("refuse"));
    EXPECT_TRUE(pub.waitClosed(30000)) << "not asked again once the extension answers";
    stopPolitely(vornel);
    EXPECT_FALSE(vornel.readAllStandardError().contains("vornel:")) << "nothing more to say";
}

} // namespace
