// Windows has one desktop, the system's own: nothing to choose.
#include "blocking/desktops/desktop_choice.h"
#include "blocking/desktops/user32_desktop.h"
#include "blocking/scripted_desktop.h"
#include "common/program_language.h"

#include <cstdlib>

namespace vornel {

Session Session::fromEnvironment(const std::string& forced) {
    Session s;
    const char* chosen = std::getenv("VORNEL_DESKTOP");
    s.forced = forced.empty() && chosen ? chosen : forced;
    return s;
}

const std::vector<std::string>& desktopNames() {
    static const std::vector<std::string> names{"user32"};
    return names;
}

std::vector<std::string> desktopsToTry(const Session& session) {
    if (!session.forced.empty()) return {session.forced};
    return {"user32"};
}

ChosenDesktop openDesktop(const Session& session) {
    ChosenDesktop chosen;
    if (desktopsToTry(session).front() == "user32") {
        chosen.desktop = std::make_unique<User32Desktop>();
        chosen.name = "user32";
        return chosen;
    }
    chosen.desktop = std::make_unique<ScriptedDesktop>();
    chosen.notice =
        programText("DesktopChoice", "Aucune fenêtre n'est surveillée : le bureau « %1 » n'existe "
                                     "pas sous Windows.")
            .arg(QString::fromStdString(session.forced));
    chosen.blind = true;
    return chosen;
}

} // namespace vornel
