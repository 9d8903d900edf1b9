#include "app/instance_handshake.h"
#include "app/program.h"
#include "app/vornel_application.h"
#include "blocking/alert_sound.h"
#include "blocking/system_desktop.h"
#include "netstat/ports_command.h"

#include <clocale>

int main(int argc, char* argv[]) {
    // Options that answer and leave, before any window or running instance is touched.
    if (std::optional<int> status = vornel::runCommandLineOption(argc, argv)) return *status;
    vornel::VornelApplication app(argc, argv);
    // Dates in the log follow the user's regional formats.
    std::setlocale(LC_TIME, "");
    std::unique_ptr<vornel::Desktop> desktop = vornel::openSystemDesktop();
    std::unique_ptr<vornel::AlertSound> sound = vornel::makeSystemSound();
    std::unique_ptr<vornel::InstanceHandshake> handshake = vornel::makeSystemHandshake();
    return vornel::runProgram(*desktop, *sound, *handshake);
}
