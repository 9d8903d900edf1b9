#include "app/local_socket_handshake.h"
#include "app/program.h"
#include "app/vornel_application.h"
#include "blocking/scripted_desktop.h"
#include "settings/canberra_sound.h"

#include <clocale>

int main(int argc, char* argv[]) {
    vornel::VornelApplication app(argc, argv);
    // Dates in the log follow the user's regional formats.
    std::setlocale(LC_TIME, "");
    vornel::ScriptedDesktop desktop;
    vornel::CanberraSound sound;
    vornel::LocalSocketHandshake handshake(vornel::LocalSocketHandshake::defaultSocketPath());
    return vornel::runProgram(desktop, sound, handshake);
}
