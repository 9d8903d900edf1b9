#include "app/local_socket_handshake.h"
#include "app/program.h"
#include "app/vornel_application.h"
#include "blocking/system_desktop.h"
#include "netstat/ports_command.h"
#include "settings/canberra_sound.h"

#include <clocale>

int main(int argc, char* argv[]) {
    // Options that answer and leave, before any window or running instance is touched.
    if (std::optional<int> status = vornel::runCommandLineOption(argc, argv)) return *status;
    vornel::VornelApplication app(argc, argv);
    // Dates in the log follow the user's regional formats.
    std::setlocale(LC_TIME, "");
    std::unique_ptr<vornel::Desktop> desktop = vornel::openSystemDesktop();
    vornel::CanberraSound sound;
    vornel::LocalSocketHandshake handshake(vornel::LocalSocketHandshake::defaultSocketPath());
    return vornel::runProgram(*desktop, sound, handshake);
}
