#include "app/program.h"

#include "app/icons.h"
#include "app/instance_handshake.h"
#include "app/termination_signals.h"
#include "app/tfm_vornel.h"
#include "app/tfm_vornel_tray.h"
#include "blocking/tfm_ferme.h"
#include "common/log_categories.h"
#include "common/program_language.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QTimer>
#include <memory>

namespace vornel {

namespace {

constexpr std::chrono::seconds EarlierInstanceWait{10};

void setUpApplication() {
    // No display name: Qt would append it to every window's caption.
    QApplication::setApplicationName(QStringLiteral("Vornel"));
    QApplication::setDesktopFileName(QStringLiteral("vornel"));
    QApplication::setWindowIcon(programIcon(QStringLiteral("MAINICON")));
    // Closing the main window only hides it; only the tray form ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
}

// Every outside request to end (a newer instance, a signal) ends the program
// as "Quitter" does: by closing the tray form, which removes the icon and
// saves. The session manager's request to save (a checkpoint, or a logout
// that may yet be cancelled) is no request to end: it saves, and the end of
// the session quits the message loop, the main window saving on its way out.
void endFromOutside(TfmVornelTray& tray, InstanceHandshake& handshake) {
    handshake.listen([&tray] { tray.close(); });
    QObject::connect(&tray, &TfmVornelTray::ending, &tray,
                     [&handshake] { handshake.stopListening(); });
    new TerminationSignals([&tray] { tray.close(); }, &tray);
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &tray,
                     [&tray](QSessionManager&) { tray.fmVornel->Enregistre(); });
    // The autostart entry starts the program at logon; a session restore
    // would start it a second time.
    QObject::connect(qApp, &QGuiApplication::saveStateRequest, &tray, [](QSessionManager& session) {
        session.setRestartHint(QSessionManager::RestartNever);
    });
}

// The desktop's language for the program's texts and Qt's own (the file
// dialog, the edit fields' context menus, the buttons of a message box)
// while the program runs, the refusal to start included.
struct SpokenLanguage {
    SpokenLanguage() { speakUsersLanguage(); }
    ~SpokenLanguage() { forgetLanguage(); }
    SpokenLanguage(const SpokenLanguage&) = delete;
    SpokenLanguage& operator=(const SpokenLanguage&) = delete;
};

// A start that must not run says why, on stderr and in a message, and ends.
int refuseToStart(const QString& text, const QString& boxName) {
    qCWarning(lcInstance, "%s", qUtf8Printable(text));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Vornel"), text, QMessageBox::Ok);
    box.setObjectName(boxName);
    box.exec();
    return 1;
}

// The running instance holds on without answering. It still owns the
// settings, the log and the socket, and may yet wake up: this start touches
// none of them, and says so.
int giveWayToHungInstance() {
    return refuseToStart(
        QCoreApplication::translate(
            "Program", "Vornel est déjà lancé mais ne répond pas. Cette copie s'arrête sans rien "
                       "modifier ; fermez l'autre Vornel, puis relancez le programme."),
        QStringLiteral("hungInstanceBox"));
}

// Without the lock, another instance may be running unseen, and each would
// write the settings and the log over the other's.
int giveWayForWantOfLock() {
    return refuseToStart(QCoreApplication::translate(
                             "Program",
                             "Vornel ne peut pas vérifier qu'il est le seul lancé : aucun dossier "
                             "privé n'a pu recevoir son verrou. Cette copie s'arrête sans rien "
                             "modifier ; le dossier ~/.cache/vornel doit vous appartenir et n'être "
                             "ouvert qu'à vous."),
                         QStringLiteral("noLockBox"));
}

// Another Vornel runs with rights that this one lacks (started as
// administrator, or by another account): it can neither be asked to close nor
// be told apart from a hung one, and both would write the same files.
int giveWayToUnreachableInstance() {
    return refuseToStart(
        QCoreApplication::translate(
            "Program", "Un autre Vornel est déjà lancé, sans doute en tant qu'administrateur ou "
                       "par un autre compte, et cette copie ne peut pas lui demander de se "
                       "fermer. Elle s'arrête sans rien modifier ; fermez l'autre Vornel, puis "
                       "relancez le programme."),
        QStringLiteral("unreachableInstanceBox"));
}

} // namespace

int runProgram(Desktop& desktop, AlertSound& sound, InstanceHandshake& handshake,
               const QString& desktopNotice, bool noticeOnce) {
    const SpokenLanguage language;
    earlierInstanceClosed = false;
    switch (handshake.closeEarlierInstance(EarlierInstanceWait)) {
    case EarlierInstance::StillRunning:
        return giveWayToHungInstance();
    case EarlierInstance::NoLock:
        return giveWayForWantOfLock();
    case EarlierInstance::OutOfReach:
        return giveWayToUnreachableInstance();
    case EarlierInstance::Closed:
        earlierInstanceClosed = true;
        break;
    case EarlierInstance::None:
        break;
    }
    setUpApplication();

    // Created tray first and destroyed in reverse: the main window goes first
    // and saves once more on its way out.
    auto tray = std::make_unique<TfmVornelTray>();
    auto fmFerme = std::make_unique<TfmFerme>();
    auto fmVornel = std::make_unique<TfmVornel>(desktop, sound, tray.get());
    tray->fmVornel = fmVornel.get();
    fmVornel->fmFerme = fmFerme.get();
    fmFerme->mainWindow = fmVornel.get();
    fmFerme->windowsHeldBy = [&scan = fmVornel->scan()](const vornel::TCond& rule) {
        return scan.windowsHeldBy(rule);
    };
    endFromOutside(*tray, handshake);
    fmVornel->ShowDesktopNotice(desktopNotice);
    // Not modal: the scan goes on while it is shown. It goes with the forms.
    const auto showMessage = [main = fmVornel.get()](const QString& text) {
        auto* message = new QMessageBox(QMessageBox::Information, QStringLiteral("Vornel"), text,
                                        QMessageBox::Ok, main);
        message->setAttribute(Qt::WA_DeleteOnClose);
        message->show();
    };
    desktop.watchNotice([main = fmVornel.get(), &desktop, showMessage](const std::string& notice) {
        if (!notice.empty()) qCWarning(lcDesktop, "%s", notice.c_str());
        main->ShowDesktopNotice(QString::fromStdString(notice));
        // What a desktop set up as the answers came in is news of the start.
        if (desktop.noticeTellsOfSetUp()) showMessage(QString::fromStdString(notice));
    });

    fmVornel->Initialise();
    // With no notification area to reach it from, the program would be
    // unreachable behind a hidden window.
    if (!tray->trayAvailable() && !tray->hasClosed()) tray->Afficher1Click();
    if (noticeOnce && !desktopNotice.isEmpty()) showMessage(desktopNotice);
    // A request to end may have come in while the load showed a message; the
    // loop still runs, for a moment, so that later messages can show.
    if (tray->hasClosed()) QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    const int code = QApplication::exec();

    desktop.watchNotice({});
    fmVornel.reset();
    fmFerme.reset();
    tray.reset();
    return code;
}

} // namespace vornel
