#include "app/tfm_vornel.h"
#include "blocking/system_desktop.h"
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

    std::unique_ptr<vornel::Desktop> desktop = vornel::openSystemDesktop();
    vornel::CanberraSound sound;
    TfmVornel fmVornel(*desktop, sound);
    fmVornel.show();
    return app.exec();
}
