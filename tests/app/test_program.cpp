#include "app/instance_handshake.h"
#include "app/program.h"
#include "app/termination_signals.h"
#include "app/tfm_vornel.h"
#include "app/tfm_vornel_tray.h"
#include "blocking/scripted_desktop.h"
#include "gui_helpers.h"
#include "support/qt_print.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>

using namespace vornel;

namespace {

// Records what start-up asks of the handshake, and when.
struct RecordingHandshake : InstanceHandshake {
    bool earlierFound = false;
    bool earlierHangs = false;
    bool noLock = false;
    int formsWhenAsked = -1;
    std::function<void()> close;
    bool stopped = false;

    EarlierInstance closeEarlierInstance(std::chrono::milliseconds) override {
        formsWhenAsked = int(QApplication::topLevelWidgets().size());
        if (earlierHangs) return EarlierInstance::StillRunning;
        if (noLock) return EarlierInstance::NoLock;
        return earlierFound ? EarlierInstance::Closed : EarlierInstance::None;
    }
    bool listen(std::function<void()> closeRequest) override {
        close = std::move(closeRequest);
        return true;
    }
    void stopListening() override {
        stopped = true;
        if (onStop) onStop();
    }
    // Runs as the orderly exit starts, when the handshake stops listening.
    std::function<void()> onStop;
};

template <class Form> Form* findForm() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<Form*>(w)) return form;
    return nullptr;
}

// What the running program looked like from inside its message loop.
struct Running {
    bool trayIconShown = false;
    bool timerRunning = false;
    bool mainWindowShown = false;
    bool earlierClosed = false;
    // Qt's own texts: an edit field's context menu and the file dialog's button.
    QStringList editMenu;
    QString fileDialogOpen;
    // The settings file as the program left it.
    QByteArray savedAtEnd;
    QString noticeLine;
    QString trayTip;
    QStringList messages; // the texts of the message boxes shown
};

// Runs the program until inside its loop, looks at it, then ends it with end.
Running runUntil(RecordingHandshake& handshake, const std::function<void()>& end, int& code,
                 const QByteArray& settings = {}, const QString& desktopNotice = {},
                 bool noticeOnce = false, ScriptedDesktop* desktopGiven = nullptr) {
    test::PrivateFolders folders;
    if (!settings.isEmpty()) {
        QDir().mkpath(folders.path("settings"));
        QFile ini(folders.path("settings/vornel.ini"));
        if (ini.open(QIODevice::WriteOnly)) ini.write(settings);
    }
    ScriptedDesktop ownDesktop;
    ScriptedDesktop& desktop = desktopGiven ? *desktopGiven : ownDesktop;
    test::QuietSound sound;
    Running seen;
    QTimer::singleShot(0, [&] {
        auto* tray = findForm<TfmVornelTray>();
        auto* main = findForm<TfmVornel>();
        if (tray && main) {
            seen.trayIconShown = tray->findChild<QSystemTrayIcon*>()->isVisible();
            seen.timerRunning = main->Timer1->isActive();
            seen.mainWindowShown = main->isVisible();
            main->BtnClick(Page::Current); // "En &cours"
            if (main->ui.lBureau->isVisibleTo(main)) seen.noticeLine = main->ui.lBureau->text();
            seen.trayTip = tray->findChild<QSystemTrayIcon*>()->toolTip();
        }
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                seen.messages << box->text();
        seen.earlierClosed = earlierInstanceClosed;
        QLineEdit edit("texte");
        edit.selectAll();
        const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        for (QAction* item : menu->actions())
            if (!item->isSeparator()) seen.editMenu << item->text().section('\t', 0, 0);
        seen.fileDialogOpen = QCoreApplication::translate("QFileDialog", "Open");
        end();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    limit.start(5000);
    code = runProgram(desktop, sound, handshake, desktopNotice, noticeOnce);
    QFile ini(folders.path("settings/vornel.ini"));
    if (ini.open(QIODevice::ReadOnly)) seen.savedAtEnd = ini.readAll();
    return seen;
}

} // namespace

TEST(StartUp, AsksTheEarlierInstanceFirstThenRunsBehindTheIcon) {
    RecordingHandshake handshake;
    handshake.earlierFound = true;
    int code = -1;
    const Running seen = runUntil(
        handshake, [&] { handshake.close(); }, code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(handshake.formsWhenAsked, 0);
    EXPECT_TRUE(seen.earlierClosed);
    EXPECT_TRUE(seen.trayIconShown);
    EXPECT_TRUE(seen.timerRunning);
    // Replacing an instance shows the window, whatever the option says.
    EXPECT_TRUE(seen.mainWindowShown);
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
    EXPECT_EQ(QApplication::applicationName(), "Vornel");
    // A newer instance's request ended it the orderly way, and the forms are gone.
    EXPECT_TRUE(handshake.stopped);
    EXPECT_EQ(findForm<TfmVornel>(), nullptr);
    EXPECT_EQ(findForm<TfmVornelTray>(), nullptr);
}

TEST(StartUp, WithoutAnEarlierInstanceTheFlagStaysDown) {
    RecordingHandshake handshake;
    int code = -1;
    const Running seen = runUntil(
        handshake, [&] { handshake.close(); }, code);
    EXPECT_FALSE(seen.earlierClosed);
}

// An earlier instance that hangs still owns everything; without the lock, one
// may run unseen. Either way this start must not run beside it.
TEST(StartUp, AStartThatCannotRunAloneSaysSoAndEndsTouchingNothing) {
    for (const bool hangs : {true, false}) {
        test::PrivateFolders folders;
        RecordingHandshake handshake;
        handshake.earlierHangs = hangs;
        handshake.noLock = !hangs;
        ScriptedDesktop desktop;
        test::QuietSound sound;
        int code = -1;
        const test::AnsweredBox box =
            test::answerBoxDuring([&] { code = runProgram(desktop, sound, handshake); });
        EXPECT_NE(code, 0) << hangs;
        EXPECT_EQ(box.caption, "Vornel");
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_TRUE(box.text.startsWith(hangs ? "Vornel est déjà lancé mais ne répond pas."
                                              : "Vornel ne peut pas vérifier qu'il est le seul "
                                                "lancé : aucun dossier privé"))
            << box.text.toStdString();
        // Nothing was created, listened on or written.
        EXPECT_EQ(handshake.close, nullptr) << hangs;
        EXPECT_FALSE(earlierInstanceClosed);
        EXPECT_EQ(findForm<TfmVornel>(), nullptr);
        EXPECT_FALSE(QFile::exists(folders.path("settings/vornel.ini")));
        EXPECT_FALSE(QFile::exists(folders.path("settings/vornel.log")));
        EXPECT_FALSE(QFile::exists(folders.path("config/autostart/Vornel.desktop")));
    }
}

TEST(StartUp, SaysWhatIsMissingAndShowsTheWindowWhenNothingElseReachesIt) {
    // The offscreen platform has no notification area, as a desktop without
    // a tray host has none.
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    const QString notice = QStringLiteral("Aucune fenêtre n'est surveillée : ce bureau ne laisse "
                                          "pas voir les fenêtres. Ouvrez une session sway.");
    RecordingHandshake handshake;
    int code = -1;
    const Running seen = runUntil(
        handshake, [&] { handshake.close(); }, code, "[Vornel]\r\nAfficher=0\r\n", notice);
    EXPECT_TRUE(seen.mainWindowShown) << "hidden behind an icon that no one shows";
    EXPECT_EQ(seen.noticeLine, notice);
    EXPECT_EQ(seen.trayTip, QStringLiteral("Vornel\nAucune fenêtre n'est surveillée"));

    // With nothing to say, the page has no such line and the tip is the usual one.
    const Running quiet = runUntil(
        handshake, [&] { handshake.close(); }, code);
    EXPECT_TRUE(quiet.noticeLine.isEmpty());
    EXPECT_EQ(quiet.trayTip, "Vornel");
}

TEST(Shutdown, TerminationSignalsEndTheProgramAsQuitterDoes) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        RecordingHandshake handshake;
        int code = -1;
        runUntil(
            handshake, [signal] { std::raise(signal); }, code);
        EXPECT_EQ(code, 0) << signal;
        EXPECT_TRUE(handshake.stopped) << signal;
    }
}

// The session manager's signal and the one a parent (runuser, su) forwards
// come close together at a logout: the second arrives while the first's
// orderly exit runs, and must not cut its save short.
TEST(Shutdown, ASecondSignalDuringTheExitDoesNotStopTheSave) {
    RecordingHandshake handshake;
    handshake.onStop = [] {
        std::raise(SIGTERM);
        std::raise(SIGHUP);
    };
    int code = -1;
    const Running seen = runUntil(
        handshake,
        [] {
            findForm<TfmVornel>()->ui.lTotal->setText("6");
            std::raise(SIGTERM);
        },
        code, "[Vornel]\r\nAfficher=0\r\nTotal=5\r\n");
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(handshake.stopped);
    EXPECT_TRUE(seen.savedAtEnd.contains("Total=6")) << seen.savedAtEnd.toStdString();
}

TEST(TerminationSignals, RepeatedSignalsAreTakenAsOne) {
    int taken = 0;
    TerminationSignals watcher([&] {
        ++taken;
        std::raise(SIGINT);
    });
    std::raise(SIGTERM);
    std::raise(SIGTERM);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(taken, 1);
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_NE(now.sa_handler, SIG_DFL);
}

// An orderly exit that hangs (an error box nobody answers) still gives way
// to the system once it has had its time.
TEST(TerminationSignalsDeathTest, ASignalFiveSecondsAfterTheFirstEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TerminationSignals watcher([] {});
            std::raise(SIGTERM);
            QThread::msleep(5100);
            std::raise(SIGTERM);
            QThread::msleep(1000);
            std::_Exit(0);
        },
        testing::KilledBySignal(SIGTERM), "");
}

// Qt's own texts speak French like the rest of the program, while it runs.
TEST(StartUp, QtsOwnTextsAreInFrench) {
    RecordingHandshake handshake;
    int code = -1;
    const Running seen = runUntil(
        handshake, [&] { handshake.close(); }, code);
    EXPECT_EQ(seen.fileDialogOpen, "Ouvrir");
    EXPECT_EQ(seen.editMenu.value(0), "&Annuler");
    EXPECT_TRUE(seen.editMenu.contains("Co&uper")) << seen.editMenu.join(", ").toStdString();
    EXPECT_FALSE(seen.editMenu.contains("&Copy")) << seen.editMenu.join(", ").toStdString();
    // The translations go with the program.
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), "Open");
}

// The session manager's "save yourself" comes at a checkpoint and before a
// logout that may yet be cancelled: the program saves and runs on.
TEST(Session, ASaveRequestSavesAndTheProgramRunsOn) {
    RecordingHandshake handshake;
    int code = -1;
    QByteArray savedOnRequest;
    bool runningAfterwards = false;
    runUntil(
        handshake,
        [&] {
            auto* main = findForm<TfmVornel>();
            ASSERT_NE(main, nullptr);
            main->ui.lTotal->setText("12");
            // Qt's own session manager object, as a session manager's "save
            // yourself" hands it over.
            auto* session = qApp->findChild<QSessionManager*>();
            ASSERT_NE(session, nullptr);
            emit qApp->commitDataRequest(*session);
            QFile ini(qEnvironmentVariable("VORNEL_CONFIG_DIR") + "/vornel.ini");
            if (ini.open(QIODevice::ReadOnly)) savedOnRequest = ini.readAll();
            // Still running a moment later, behind its icon.
            QTimer::singleShot(100, [&, main] {
                auto* tray = findForm<TfmVornelTray>();
                runningAfterwards = tray && !tray->hasClosed() && main->Timer1->isActive();
                handshake.close();
            });
        },
        code);
    EXPECT_TRUE(savedOnRequest.contains("Total=12")) << savedOnRequest.toStdString();
    EXPECT_TRUE(runningAfterwards);
    EXPECT_EQ(code, 0);
}

// When the session really ends, Qt quits the message loop: the program ends
// and its main window saves on the way out.
TEST(Session, TheSessionsEndEndsTheProgramWhichSaves) {
    RecordingHandshake handshake;
    int code = -1;
    const Running seen = runUntil(
        handshake,
        [] {
            findForm<TfmVornel>()->ui.lTotal->setText("5");
            // What Qt does when the session manager says the session dies.
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(qApp, &quit);
        },
        code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(seen.savedAtEnd.contains("Total=5")) << seen.savedAtEnd.toStdString();
    EXPECT_EQ(findForm<TfmVornel>(), nullptr);
}

TEST(StartUp, WhatThisRunSetUpIsToldInAMessageOnceAndStaysOnThePageAndTheTip) {
    const QString notice =
        QStringLiteral("Fenêtres visibles après la prochaine connexion : Vornel a installé et "
                       "activé son extension GNOME Shell.");
    RecordingHandshake handshake;
    int code = -1;
    const Running setUp = runUntil(
        handshake, [&] { handshake.close(); }, code, {}, notice, true);
    EXPECT_EQ(setUp.messages, QStringList{notice});
    EXPECT_EQ(setUp.noticeLine, notice);
    EXPECT_EQ(setUp.trayTip,
              QStringLiteral("Vornel\nFenêtres visibles après la prochaine connexion"));

    // A later run, before that login, says it on the page and in the tip only.
    const Running later = runUntil(
        handshake, [&] { handshake.close(); }, code, {}, notice, false);
    EXPECT_TRUE(later.messages.isEmpty());
    EXPECT_EQ(later.noticeLine, notice);
}

// A desktop that changes its mind while the program runs, as GNOME's does
// when the user turns the extension off and on again.
struct ChangingDesktop : ScriptedDesktop {
    std::function<void(const std::string&)> say;
    bool setUp = false; // what it says tells of a set-up
    void watchNotice(std::function<void(const std::string&)> changed) override {
        say = std::move(changed);
    }
    bool noticeTellsOfSetUp() const override { return setUp; }
};

// GNOME sets its extension up as the shell answers, after the start: what
// it did is told in a message when it comes; any other notice only on the
// page.
TEST(Running, WhatTheDesktopSetsUpAfterTheStartIsToldInAMessage) {
    ChangingDesktop desktop;
    RecordingHandshake handshake;
    int code = -1;
    const QString setUp = QStringLiteral("Fenêtres visibles après la prochaine connexion : Vornel "
                                         "a installé et activé son extension GNOME Shell.");
    QStringList messages;
    QString line;
    runUntil(
        handshake,
        [&] {
            ASSERT_TRUE(desktop.say);
            desktop.setUp = true;
            desktop.say(setUp.toStdString());
            desktop.setUp = false;
            desktop.say("L'extension GNOME Shell de Vornel est désactivée : réactivez-la.");
            line = findForm<TfmVornel>()->ui.lBureau->text();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                    messages << box->text();
            handshake.close();
        },
        code, {}, {}, false, &desktop);
    EXPECT_EQ(messages, QStringList{setUp});
    EXPECT_EQ(line, "L'extension GNOME Shell de Vornel est désactivée : réactivez-la.");
}

TEST(Running, ANoticeThatComesLaterIsShownAndGoesWhenAllWorksAgain) {
    ChangingDesktop desktop;
    RecordingHandshake handshake;
    int code = -1;
    QString shownLine, shownTip, goneLine, goneTip;
    bool goneVisible = true;
    QRect listBefore, listAfter;
    const Running seen = runUntil(
        handshake,
        [&] {
            auto* main = findForm<TfmVornel>();
            auto* tray = findForm<TfmVornelTray>();
            listBefore = main->ui.lb1->geometry();
            ASSERT_TRUE(desktop.say);
            desktop.say("L'extension GNOME Shell de Vornel est désactivée : réactivez-la.");
            shownLine = main->ui.lBureau->text();
            shownTip = tray->findChild<QSystemTrayIcon*>()->toolTip();
            desktop.say("");
            goneLine = main->ui.lBureau->text();
            goneVisible = main->ui.lBureau->isVisibleTo(main);
            goneTip = tray->findChild<QSystemTrayIcon*>()->toolTip();
            listAfter = main->ui.lb1->geometry();
            handshake.close();
        },
        code, {}, {}, false, &desktop);
    EXPECT_EQ(shownLine, "L'extension GNOME Shell de Vornel est désactivée : réactivez-la.");
    EXPECT_EQ(shownTip, "Vornel\nL'extension GNOME Shell de Vornel est désactivée");
    EXPECT_EQ(goneLine, "");
    EXPECT_FALSE(goneVisible);
    EXPECT_EQ(goneTip, "Vornel");
    EXPECT_EQ(listAfter, listBefore) << "the list has its room back";
    EXPECT_FALSE(desktop.say) << "the program stops listening as it ends";
    EXPECT_EQ(seen.noticeLine, "");
}
