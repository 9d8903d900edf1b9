#include "app/tfm_vornel.h"
#include "blocking/tfm_ferme.h"
#include "blocking/scripted_desktop.h"
#include "settings/canberra_sound.h"
#include "netstat/ports_command.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[]) {
    // Options that answer and leave, before any window or running instance is touched.
    if (std::optional<int> status = vornel::runCommandLineOption(argc, argv)) return *status;
    QApplication app(argc, argv);
    // Dates in the log follow the user's regional formats.
    std::setlocale(LC_TIME, "");
    QApplication::setApplicationName(QStringLiteral("Vornel"));
    QApplication::setQuitOnLastWindowClosed(false);

    vornel::ScriptedDesktop desktop;
    vornel::CanberraSound sound;
    TfmFerme fmFerme;
    TfmVornel fmVornel(desktop, sound);
    fmVornel.fmFerme = &fmFerme;
    fmFerme.mainWindow = &fmVornel;
    fmVornel.show();
    return app.exec();
}
