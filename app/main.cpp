#include "app/command_line.h"
#include "app/instance_handshake.h"
#include "app/parent_console.h"
#include "app/program.h"
#include "app/vornel_application.h"
#include "blocking/alert_sound.h"
#include "blocking/desktops/desktop_choice.h"
#include "common/log_categories.h"
#include "common/program_language.h"

#include <clocale>

int main(int argc, char* argv[]) {
    // The desktop's language, from the first word: the command line answers
    // in it before any application exists.
    vornel::speakUsersLanguage();
    // Read before any window or running instance is touched: a mistyped
    // option must not replace the running program.
    const vornel::CommandLine line = vornel::readCommandLine(argc, argv);
    if (std::optional<int> status = vornel::answerCommandLine(line, argc, argv)) return *status;
    vornel::useConsoleWriter(false);
    vornel::writeMessagesAsVornel();

    vornel::VornelApplication app(argc, argv);
    // Dates in the log follow the user's regional formats.
    std::setlocale(LC_TIME, "");
    vornel::ChosenDesktop chosen =
        vornel::openDesktop(vornel::Session::fromEnvironment(line.desktop));
    if (!chosen.notice.isEmpty()) qCWarning(vornel::lcDesktop, "%s", qUtf8Printable(chosen.notice));
    std::unique_ptr<vornel::AlertSound> sound = vornel::makeSystemSound();
    std::unique_ptr<vornel::InstanceHandshake> handshake = vornel::makeSystemHandshake();
    return vornel::runProgram(*chosen.desktop, *sound, *handshake, chosen.notice,
                              chosen.noticeOnce);
}
