#include "app/instance_handshake.h"
#include "app/program.h"
#include "app/vornel_application.h"
#include "blocking/alert_sound.h"
#include "blocking/desktops/desktop_choice.h"
#include "netstat/ports_command.h"

#include <QCoreApplication>
#include <clocale>
#include <cstring>
#include <iostream>

namespace {

bool listsWindows(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--windows") == 0) return true;
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    // Options that answer and leave, before any window or running instance is touched.
    if (std::optional<int> status = vornel::runCommandLineOption(argc, argv)) return *status;
    vornel::Session session = vornel::Session::fromEnvironment(vornel::forcedDesktop(argc, argv));
    session.listOnly = listsWindows(argc, argv);
    if (session.listOnly) {
        QCoreApplication app(argc, argv);
        vornel::ChosenDesktop chosen = vornel::openDesktop(session);
        if (!chosen.notice.isEmpty())
            std::cerr << "vornel: " << chosen.notice.toStdString() << '\n';
        vornel::printWindows(*chosen.desktop, std::cout);
        return chosen.name.empty() ? 1 : 0;
    }

    vornel::VornelApplication app(argc, argv);
    // Dates in the log follow the user's regional formats.
    std::setlocale(LC_TIME, "");
    vornel::ChosenDesktop chosen = vornel::openDesktop(session);
    if (!chosen.notice.isEmpty()) std::cerr << "vornel: " << chosen.notice.toStdString() << '\n';
    std::unique_ptr<vornel::AlertSound> sound = vornel::makeSystemSound();
    std::unique_ptr<vornel::InstanceHandshake> handshake = vornel::makeSystemHandshake();
    return vornel::runProgram(*chosen.desktop, *sound, *handshake, chosen.notice,
                              chosen.noticeOnce);
}
