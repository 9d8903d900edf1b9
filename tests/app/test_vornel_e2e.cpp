#include "blocking/tcond.h"
#include "support/real_vornel.h"
#include "support/x11_display.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <csignal>
#include <gtest/gtest.h>
#include <optional>

using namespace vornel::test;

namespace {

// A real XEmbed notification area on the display, at its top right corner.
class TrayHost {
public:
    TrayHost() {
        process_.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request",
                                  "--height", "32", "--SetDockType", "true", "--expand", "true"});
        process_.waitForStarted(5000);
        waitUntil([] { return !shownWindows("^trayer$").empty(); });
    }
    ~TrayHost() { stop(process_); }

private:
    QProcess process_;
};

// The icon: the small vornel window inside the tray.
std::optional<ShownWindow> trayIcon() {
    for (const ShownWindow& w : shownWindows("vornel"))
        if (w.rect.width() <= 64 && w.rect.height() <= 64) return w;
    return std::nullopt;
}

// A vornel window that opened at the cursor: the menu.
std::optional<ShownWindow> menuAt(QPoint cursor) {
    for (const ShownWindow& w : shownWindows("vornel"))
        if (w.rect.width() > 64 && w.rect.adjusted(-3, -3, 3, 3).contains(cursor)) return w;
    return std::nullopt;
}

bool ended(QProcess& p, int ms = 15000) {
    return p.waitForFinished(ms);
}

// A press on the icon; apart enough from the last one not to make a double-click.
void press(const char* button) {
    QThread::msleep(700);
    xdotool({"click", button});
}

} // namespace

TEST(EndToEnd, ASecondInstanceReplacesTheFirstWhichSavesAndExits) {
    VornelFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nAfficher=0\r\nTotal=41\r\n");
    auto first = folder.start();
    ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
    ASSERT_FALSE(QFile::exists(folder.file("vornel.log")));

    auto second = folder.start();
    EXPECT_TRUE(ended(*first));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
    // The first saved on its way out: the log file exists now.
    EXPECT_TRUE(QFile::exists(folder.file("vornel.log")));
    EXPECT_TRUE(folder.read("vornel.ini").contains("Total=41"));

    // The second runs on, with its window shown although the option is off.
    EXPECT_TRUE(waitUntil([] {
        for (const ShownWindow& w : shownWindows("vornel"))
            if (w.name.startsWith("Vornel 2003.03")) return true;
        return false;
    }));
    EXPECT_EQ(second->state(), QProcess::Running);
    second->terminate();
    EXPECT_TRUE(ended(*second));
    stop(*first);
    stop(*second);
}

TEST(EndToEnd, AMistakenCommandLineLeavesTheRunningInstanceAlone) {
    VornelFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nAfficher=0\r\nTotal=41\r\n");
    // Qt's own options are Qt's: the program runs with them.
    auto running = folder.start(QProcess::ForwardedChannels, {"-platform", "xcb", "-reverse"});
    ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
    const QByteArray settings = folder.read("vornel.ini");

    for (const QStringList& arguments :
         {QStringList{"--bogus"}, {"--desktop", "nowhere"}, {"--windows", "--desktop"}}) {
        auto refused = folder.start(QProcess::SeparateChannels, arguments);
        const std::string said = arguments.join(' ').toStdString();
        ASSERT_TRUE(refused->waitForFinished(10000)) << said << " started the program";
        EXPECT_EQ(refused->exitStatus(), QProcess::NormalExit) << said;
        EXPECT_EQ(refused->exitCode(), 2) << said;
        const QString errors = QString::fromUtf8(refused->readAllStandardError());
        EXPECT_TRUE(errors.startsWith("vornel: ") && errors.endsWith("\nUtilisation : vornel "
                                                                     "[options]\n"))
            << said << ": " << errors.toStdString();
    }

    // Never asked to close: it runs on, still answers newer starts, and has
    // saved nothing, which it does on its way out.
    EXPECT_FALSE(running->waitForFinished(1000));
    EXPECT_TRUE(folder.instanceListening());
    EXPECT_FALSE(QFile::exists(folder.file("vornel.log")));
    EXPECT_EQ(folder.read("vornel.ini"), settings);
    running->terminate();
    EXPECT_TRUE(ended(*running));
    EXPECT_EQ(running->exitCode(), 0);
    stop(*running);
}

// A browser pop-up that the rule below closes.
std::unique_ptr<QProcess> popUp() {
    auto p = std::make_unique<QProcess>();
    p->start("xlogo", {"-title", "Pub test - Mozilla"});
    p->waitForStarted(5000);
    return p;
}

const QByteArray PopUpRule = "[Vornel]\r\nAfficher=0\r\nTotal=41\r\nFenetre1=Mozilla\r\n"
                             "[Windows]\r\n1=Y,Pub test,N,0,0\r\n";

int logLines(const VornelFolder& folder) {
    return int(folder.read("vornel.log").split('\n').size()) - 1;
}

// The second instance speaks English: the log and the settings are the
// same in either language, down to the text of a closing's line.
TEST(EndToEnd, TheTotalAndTheLogContinueThroughAReplacement) {
    VornelFolder folder;
    folder.write("vornel.ini", PopUpRule);
    auto first = folder.start();
    ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
    auto pub = popUp();
    ASSERT_TRUE(pub->waitForFinished(10000)) << "the first instance did not close the pop-up";

    folder.setEnvironment("LC_ALL", "en_US.UTF-8");
    auto second = folder.start();
    ASSERT_TRUE(ended(*first));
    EXPECT_TRUE(folder.read("vornel.ini").contains("Total=42"));
    EXPECT_EQ(logLines(folder), 1);

    auto again = popUp();
    ASSERT_TRUE(again->waitForFinished(10000)) << "the second instance did not close the pop-up";
    ::kill(pid_t(second->processId()), SIGTERM);
    ASSERT_TRUE(ended(*second));
    EXPECT_TRUE(folder.read("vornel.ini").contains("Total=43"));
    EXPECT_EQ(logLines(folder), 2);
    // "date time : rule", the newest first; only the time differs.
    const QStringList lines = QString::fromUtf8(folder.read("vornel.log")).split("\r\n");
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0].section(" : ", 1), "Titre~\"Pub test\" ") << lines[0].toStdString();
    EXPECT_EQ(lines[1].section(" : ", 1), lines[0].section(" : ", 1));
    EXPECT_EQ(lines[1].section(" : ", 0, 0).size(), lines[0].section(" : ", 0, 0).size());
    for (QProcess* p : {first.get(), second.get(), pub.get(), again.get()})
        stop(*p);
}

// The xlogo window of that title once the window manager has framed it.
QString framedWindow(const QString& title) {
    QString id;
    waitUntil([&] {
        id = xdotool({"search", "--name", "^" + title + "$"}).section('\n', 0, 0);
        return !id.isEmpty() && run("xprop", {"-id", id, "_NET_FRAME_EXTENTS"}).contains('=');
    });
    return id;
}

// The outer size, frame included, that a client area of this size makes.
QSize outerSize(const QString& window, QSize client) {
    // "_NET_FRAME_EXTENTS(CARDINAL) = left, right, top, bottom"
    const QStringList frame = run("xprop", {"-id", window, "_NET_FRAME_EXTENTS"})
                                  .section('=', 1)
                                  .split(',', Qt::SkipEmptyParts);
    if (frame.size() != 4) return {};
    return client + QSize(frame[0].toInt() + frame[1].toInt(), frame[2].toInt() + frame[3].toInt());
}

// Quiet by default. With the scan's lines switched on, each decision is told
// once, however many ticks see the window: the closing with the window's
// title, its size and the rule that held; why the others stay.
TEST(EndToEnd, TheScanTellsItsDecisionsWhenAsked) {
    const QString ruleText =
        QString::fromStdString(vornel::TexteCond({"Y", "N", "Pub test", 0, 0}));
    for (const bool asked : {false, true}) {
        QProcess news, clock;
        news.start("xlogo", {"-title", "Nouvelles - Mozilla"});
        clock.start("xlogo", {"-title", "Horloge"});
        std::unique_ptr<QProcess> program, pub;
        auto stopAll = qScopeGuard([&] {
            for (QProcess* p : {program.get(), pub.get(), &news, &clock})
                if (p) stop(*p);
        });
        ASSERT_FALSE(framedWindow("Nouvelles - Mozilla").isEmpty());
        ASSERT_FALSE(framedWindow("Horloge").isEmpty());
        VornelFolder folder;
        folder.write("vornel.ini", PopUpRule);
        folder.setEnvironment("QT_LOGGING_RULES", asked ? "vornel.*.debug=true" : "");
        program = folder.start(QProcess::SeparateChannels);
        ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
        pub = popUp();
        EXPECT_TRUE(pub->waitForFinished(10000)) << "the pop-up was not closed";
        // Ticks enough to tell anything twice.
        QThread::msleep(1500);
        program->terminate();
        EXPECT_TRUE(ended(*program));
        const QStringList said =
            QString::fromUtf8(program->readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        const std::string all = said.join('\n').toStdString();
        if (!asked) {
            EXPECT_TRUE(said.filter(QRegularExpression("^vornel[.:]")).isEmpty()) << all;
            continue;
        }
        const QStringList closed = said.filter("\"Pub test - Mozilla\"");
        ASSERT_EQ(closed.size(), 1) << all;
        EXPECT_TRUE(QRegularExpression("^vornel\\.scan: window \\d+ \"Pub test - Mozilla\" "
                                       "\\d+ x \\d+: rule 1 holds \\(")
                        .match(closed[0])
                        .hasMatch())
            << all;
        EXPECT_TRUE(closed[0].endsWith("(" + ruleText + "): close request sent")) << all;
        const QStringList stays = said.filter("\"Nouvelles - Mozilla\"");
        ASSERT_EQ(stays.size(), 1) << all;
        EXPECT_TRUE(stays[0].endsWith(": no rule holds")) << all;
        const QStringList other = said.filter("\"Horloge\"");
        ASSERT_EQ(other.size(), 1) << all;
        EXPECT_TRUE(other[0].endsWith(": not a browser window (no browser name in its title)"))
            << all;
    }
}

// With nothing changing the program runs no tick; a browser window that
// takes a rule's text, and one that takes a rule's size, wake it and close.
TEST(EndToEnd, AWindowRetitledOrResizedToARuleClosesAfterARest) {
    auto news = std::make_unique<QProcess>();
    news->start("xlogo", {"-title", "Nouvelles - Mozilla", "-geometry", "200x150+40+40"});
    auto weather = std::make_unique<QProcess>();
    weather->start("xlogo", {"-title", "Meteo - Mozilla", "-geometry", "200x150+300+40"});
    std::unique_ptr<QProcess> vornel;
    auto stopAll = qScopeGuard([&] {
        for (QProcess* p : {vornel.get(), news.get(), weather.get()})
            if (p) stop(*p);
    });
    const QString newsId = framedWindow("Nouvelles - Mozilla");
    const QString weatherId = framedWindow("Meteo - Mozilla");
    ASSERT_FALSE(newsId.isEmpty());
    ASSERT_FALSE(weatherId.isEmpty());
    const QSize ruleSize = outerSize(weatherId, {260, 190});
    ASSERT_TRUE(ruleSize.isValid());

    VornelFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nAfficher=0\r\nFenetre1=Mozilla\r\n[Windows]\r\n"
                               "1=Y,Pub test,N,0,0\r\n2=N,,Y," +
                                   QByteArray::number(ruleSize.width()) + "," +
                                   QByteArray::number(ruleSize.height()) + "\r\n");
    vornel = folder.start();
    ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
    // Long enough for the program to come to rest.
    EXPECT_FALSE(news->waitForFinished(2000));

    xdotool({"set_window", "--name", "Pub test - Mozilla", newsId});
    EXPECT_TRUE(news->waitForFinished(10000)) << "the retitled window was not closed";
    EXPECT_FALSE(weather->waitForFinished(2000));
    xdotool({"windowsize", weatherId, "260", "190"});
    EXPECT_TRUE(weather->waitForFinished(10000)) << "the resized window was not closed";
}

// A kill gives the program no chance to save: what it closed is on disk
// already.
TEST(EndToEnd, ClosingsSurviveAKillSecondsLater) {
    VornelFolder folder;
    folder.write("vornel.ini", PopUpRule);
    auto program = folder.start();
    ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
    for (int n = 1; n <= 2; ++n) {
        auto pub = popUp();
        ASSERT_TRUE(pub->waitForFinished(10000)) << "pop-up " << n << " was not closed";
        // The next client gets the same window id from the X server: the
        // scan tells two pop-ups apart by a tick that sees the first gone.
        QThread::msleep(600);
    }
    QThread::sleep(3);
    ::kill(pid_t(program->processId()), SIGKILL);
    ASSERT_TRUE(ended(*program));
    EXPECT_EQ(program->exitStatus(), QProcess::CrashExit);
    const QByteArray ini = folder.read("vornel.ini");
    EXPECT_TRUE(ini.contains("Total=43")) << ini.toStdString();
    EXPECT_EQ(logLines(folder), 2);
    EXPECT_EQ(folder.read("vornel.log").count("Pub test"), 2);
}

// One user, two displays (a desktop and a remote session), one settings
// folder: a resident on each, one closing each, both quit. Neither save
// undoes the other's.
TEST(EndToEnd, TwoResidentsOnTwoDisplaysBothCount) {
    QTemporaryDir sessionDir;
    X11Session other(sessionDir.path().toStdString());
    ASSERT_FALSE(other.display().empty()) << "the second display did not start";
    const QString otherDisplay = QString::fromStdString(other.display());
    VornelFolder folder;
    folder.write("vornel.ini", PopUpRule);
    // What each resident's scan decides, for the output of a failure.
    folder.setEnvironment("QT_LOGGING_RULES", "vornel.scan.debug=true");
    auto here = folder.start();
    ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
    folder.setEnvironment("DISPLAY", otherDisplay);
    auto there = folder.start();
    ASSERT_TRUE(waitUntil([&] {
        return QDir(folder.runtime()).entryList({"vornel-*"}, QDir::System).size() == 2;
    })) << "the second resident did not start beside the first";

    auto pub = popUp();
    ASSERT_TRUE(pub->waitForFinished(10000)) << "the first display's pop-up was not closed";
    QProcess otherPub;
    otherPub.start("xlogo", {"-display", otherDisplay, "-title", "Pub test - Mozilla"});
    ASSERT_TRUE(otherPub.waitForFinished(10000)) << "the second display's pop-up was not closed";

    for (QProcess* resident : {here.get(), there.get()}) {
        ::kill(pid_t(resident->processId()), SIGTERM);
        ASSERT_TRUE(ended(*resident));
        EXPECT_EQ(resident->exitCode(), 0);
    }
    const QByteArray ini = folder.read("vornel.ini");
    EXPECT_TRUE(ini.contains("Total=43")) << ini.toStdString();
    EXPECT_EQ(logLines(folder), 2);
    stop(*pub);
    stop(otherPub);
}

// A settings file of the older Windows program holds its accents as
// Windows-1252 bytes: its rule still closes the accented window, and the
// save that follows the closing writes the file back as UTF-8.
TEST(EndToEnd, AFileOfTheOlderProgramClosesItsAccentedWindow) {
    VornelFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nAfficher=0\r\nFenetre1=Mozilla\r\n"
                               "[Windows]\r\n1=Y,F\xE9licitations,N,1,1\r\n");
    auto program = folder.start();
    ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
    QProcess pub;
    pub.start("xlogo", {"-title", "Félicitations, vous avez gagné - Mozilla"});
    ASSERT_TRUE(pub.waitForFinished(10000)) << "the accented pop-up was not closed";
    EXPECT_TRUE(waitUntil([&] {
        return folder.read("vornel.ini").contains("1=Y,Félicitations,N");
    })) << folder.read("vornel.ini").toStdString();
    // The log is written after the settings file.
    EXPECT_TRUE(waitUntil([&] {
        return folder.read("vornel.log").contains("Titre~\"Félicitations\"");
    })) << folder.read("vornel.log").toStdString();
    stop(*program);
}

TEST(EndToEnd, SigtermSavesAndEnds) {
    VornelFolder folder;
    auto program = folder.start();
    ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
    ASSERT_FALSE(QFile::exists(folder.file("vornel.ini")));
    ::kill(pid_t(program->processId()), SIGTERM);
    EXPECT_TRUE(ended(*program));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_TRUE(QFile::exists(folder.file("vornel.ini")));
    EXPECT_TRUE(QFile::exists(folder.file("vornel.log")));
    EXPECT_FALSE(folder.instanceListening());
    stop(*program);
}

TEST(EndToEnd, TheTrayIconOpensItsMenuOnALeftAndARightPress) {
    TrayHost host;
    VornelFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nAfficher=0\r\n");
    auto program = folder.start();
    std::optional<ShownWindow> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = trayIcon()).has_value(); }));
    const QPoint centre = icon->rect.center();

    for (const char* button : {"1", "3"}) {
        xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y())});
        press(button);
        EXPECT_TRUE(waitUntil([&] { return menuAt(centre).has_value(); }, 5000))
            << "button " << button;
        xdotool({"key", "Escape"});
        EXPECT_TRUE(waitUntil([&] { return !menuAt(centre).has_value(); }, 5000));
    }

    // The last item, "Quitter", ends the program and saves.
    press("3");
    ASSERT_TRUE(waitUntil([&] { return menuAt(centre).has_value(); }, 5000));
    xdotool({"key", "Up", "Return"});
    EXPECT_TRUE(ended(*program));
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_TRUE(QFile::exists(folder.file("vornel.log")));
    EXPECT_FALSE(trayIcon().has_value());
    stop(*program);
}

// Where a new rule is begun, in the main window's client area: the side
// button "&Pubs", then "&Nouvelle condition" on its page.
constexpr QPoint SideButtonPubs(4 + 36, 88 + 16);
constexpr QPoint NewRule(84 + 68, 24 + 296 + 9);

TEST(EndToEnd, QuitterWhileTheRuleEditorIsOpenEndsTheProgramAndStoresNoRule) {
    TrayHost host;
    VornelFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nTotal=7\r\n");
    auto program = folder.start();
    std::optional<ShownWindow> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = trayIcon()).has_value(); }));
    const QPoint centre = icon->rect.center();
    const QString main = waitForWindow(*program, MainWindowSize);
    ASSERT_FALSE(main.isEmpty()) << "the main window never showed";

    clickAt(main, SideButtonPubs);
    clickAt(main, NewRule);
    const QString editor = waitForWindow(*program, EditorSize);
    ASSERT_FALSE(editor.isEmpty()) << "the rule editor never opened";
    ASSERT_TRUE(waitUntil([&] { return xdotool({"getactivewindow"}) == editor; }, 5000))
        << "the rule editor never took the keyboard";
    xdotool({"type", "--delay", "20", "Pub essai"});

    // The icon still answers while the editor is open; its last item is "Quitter".
    xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y())});
    press("3");
    ASSERT_TRUE(waitUntil([&] { return menuAt(centre).has_value(); }, 5000))
        << "the tray menu did not open over the rule editor";
    EXPECT_EQ(windowsOfSize(*program, EditorSize).size(), 1) << "the editor closed too early";
    xdotool({"key", "Up", "Return"});

    ASSERT_TRUE(ended(*program)) << "Quitter did not end the program";
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_FALSE(trayIcon().has_value());
    // Saved on the way out (the version is written by every save, not by the
    // test), without the rule that was being typed.
    const QByteArray ini = folder.read("vornel.ini");
    EXPECT_TRUE(ini.contains("[Vornel]")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("Total=7")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("Version=Vornel 2003.03")) << ini.toStdString();
    EXPECT_FALSE(ini.contains("[Windows]")) << ini.toStdString();
    EXPECT_FALSE(ini.contains("Pub essai")) << ini.toStdString();
    EXPECT_TRUE(QFile::exists(folder.file("vornel.log")));
}

// The title bars read the captions alone: the program's name is not appended.
TEST(EndToEnd, CaptionsStandAlone) {
    VornelFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nAfficher=1\r\n");
    auto program = folder.start();
    const QString main = waitForWindow(*program, MainWindowSize);
    ASSERT_FALSE(main.isEmpty()) << "the main window never showed";
    const std::string caption = "Vornel 2003.03 - ferme les fenêtres de pub de votre navigateur";
    EXPECT_EQ(xdotool({"getwindowname", main}).toStdString(), caption);

    clickAt(main, SideButtonPubs);
    clickAt(main, NewRule);
    const QString editor = waitForWindow(*program, EditorSize);
    ASSERT_FALSE(editor.isEmpty()) << "the rule editor never opened";
    EXPECT_EQ(xdotool({"getwindowname", editor}).toStdString(), caption);
    stop(*program);
}

// The machine's settings in $XDG_CONFIG_DIRS: its rule closes its pop-up
// beside the user's rule, its browser name serves a user who has none, its
// imposed start at logon wins over the user's 0, its bad line is told on
// stderr, and the user's file keeps only what is the user's.
TEST(EndToEnd, TheMachinesSettingsApplyBesideTheUsersOwn) {
    VornelFolder folder;
    folder.writeSystemSettings("; salle informatique\r\n"
                               "[Vornel]\r\nFenetre1=Mozilla\r\n"
                               "[Impose]\r\nDemarre=1\r\n"
                               "[Windows]\r\n1=Y,Pub salle,N,1,1\r\nCouleur=rouge\r\n");
    folder.write("vornel.ini", "[Vornel]\r\nAfficher=0\r\nDemarre=0\r\n"
                               "[Windows]\r\n1=Y,Pub perso,N,1,1\r\n");
    auto program = folder.start(QProcess::SeparateChannels);
    ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));

    // Both at once, each closed by its own rule.
    std::vector<std::unique_ptr<QProcess>> pubs;
    for (const char* title : {"Pub salle - Mozilla", "Pub perso - Mozilla"}) {
        pubs.push_back(std::make_unique<QProcess>());
        pubs.back()->start("xlogo", {"-title", title});
    }
    for (auto& pub : pubs)
        EXPECT_TRUE(pub->waitForFinished(10000)) << pub->arguments().join(' ').toStdString();
    ::kill(pid_t(program->processId()), SIGTERM);
    ASSERT_TRUE(ended(*program));
    EXPECT_EQ(program->exitCode(), 0);

    const QString errors = QString::fromUtf8(program->readAllStandardError());
    EXPECT_TRUE(errors.contains("vornel: " + folder.systemSettings() +
                                ", ligne 8 : « Couleur » n'est pas un numéro de règle"))
        << errors.toStdString();
    const QByteArray ini = folder.read("vornel.ini");
    EXPECT_TRUE(ini.contains("[Windows]\r\n1=Y,Pub perso,N,1,1\r\n")) << ini.toStdString();
    EXPECT_FALSE(ini.contains("Pub salle")) << ini.toStdString();
    EXPECT_FALSE(ini.contains("Fenetre1")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("Demarre=0")) << ini.toStdString();
    const QByteArray log = folder.read("vornel.log");
    EXPECT_TRUE(log.contains("Pub salle") && log.contains("Pub perso")) << log.toStdString();
    EXPECT_TRUE(QFile::exists(folder.autostartEntry()));
    stop(*program);
    for (auto& pub : pubs)
        stop(*pub);
}

TEST(EndToEnd, TheCheckOptionTellsEachUnusableLine) {
    VornelFolder folder;
    folder.write("bon.ini", "[Vornel]\r\nFenetre1=Mozilla\r\n[Windows]\r\n1=Y,casino,N,1,1\r\n");
    folder.write("mauvais.ini", "[Vornel]\r\nMajJour=trente\r\n[Windows]\r\n1=Y,casino,N,1,1\r\n"
                                "3=Y,loto,N,1,1\r\n");
    auto good = folder.start(QProcess::SeparateChannels, {"--check", folder.file("bon.ini")});
    ASSERT_TRUE(good->waitForFinished(10000));
    EXPECT_EQ(good->exitCode(), 0);
    EXPECT_EQ(good->readAllStandardOutput(), "");

    auto bad = folder.start(QProcess::SeparateChannels, {"--check", folder.file("mauvais.ini")});
    ASSERT_TRUE(bad->waitForFinished(10000));
    EXPECT_EQ(bad->exitCode(), 1);
    const QString shown = folder.file("mauvais.ini");
    EXPECT_EQ(QString::fromUtf8(bad->readAllStandardOutput()),
              shown + ", ligne 2 : « trente » n'est pas un nombre entier\n" + shown +
                  ", ligne 5 : règle ignorée : la règle n° 2 manque\n");
    // Only read: no instance was started or replaced, nothing was written.
    EXPECT_FALSE(QFile::exists(folder.file("vornel.ini")));
    stop(*good);
    stop(*bad);
}
