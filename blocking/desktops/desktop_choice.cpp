#include "blocking/desktops/desktop_choice.h"

#include "blocking/desktops/sway_desktop.h"
#include "blocking/desktops/wlroots_desktop.h"
#include "blocking/desktops/x11_desktop.h"
#include "blocking/scripted_desktop.h"

#include <QString>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vornel {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::unique_ptr<Desktop> open(const std::string& name, const Session& session) {
    if (name == "sway" && !session.swaySocket.empty())
        return SwayDesktop::connect(QString::fromStdString(session.swaySocket), 3000,
                                    session.xDisplay);
    if (name == "wlroots" && !session.waylandDisplay.empty())
        return WlrootsDesktop::connect(session.waylandDisplay, session.xDisplay);
    if (name == "x11") return X11Desktop::connect(session.xDisplay);
    return nullptr;
}

QString quoted(const std::string& text) {
    return QStringLiteral("« %1 »").arg(QString::fromStdString(text));
}

// Why nothing answered, and what to do about it.
QString noDesktopNotice(const Session& session) {
    const QString none = QStringLiteral("Aucune fenêtre n'est surveillée : ");
    const std::vector<std::string>& names = desktopNames();
    if (!session.forced.empty() &&
        std::find(names.begin(), names.end(), session.forced) == names.end())
        return none + QStringLiteral("le bureau %1 est inconnu. Choisissez sway, wlroots ou x11.")
                          .arg(quoted(session.forced));
    if (!session.forced.empty())
        return none + QStringLiteral("le bureau %1 demandé ne répond pas. Retirez l'option "
                                     "--desktop ou la variable VORNEL_DESKTOP.")
                          .arg(quoted(session.forced));
    if (!session.waylandDisplay.empty())
        return none + QStringLiteral("ce bureau Wayland ne laisse pas voir les fenêtres des "
                                     "autres programmes. Vornel fonctionne sous sway, sous les "
                                     "bureaux wlroots (labwc, Hyprland, wayfire…) et sous X11 : "
                                     "ouvrez une telle session.");
    if (!session.xDisplay.empty())
        return none + QStringLiteral("l'écran X %1 ne répond pas.").arg(quoted(session.xDisplay));
    return none + QStringLiteral("aucun bureau graphique n'a été trouvé (ni Wayland ni X11). "
                                 "Lancez Vornel depuis votre session de bureau.");
}

} // namespace

Session Session::fromEnvironment(const std::string& forced) {
    Session s;
    s.forced = forced.empty() ? environment("VORNEL_DESKTOP") : forced;
    s.waylandDisplay = environment("WAYLAND_DISPLAY");
    s.swaySocket = environment("SWAYSOCK");
    if (s.swaySocket.empty()) s.swaySocket = environment("I3SOCK");
    s.xDisplay = environment("DISPLAY");
    return s;
}

const std::vector<std::string>& desktopNames() {
    static const std::vector<std::string> names{"sway", "wlroots", "x11"};
    return names;
}

std::vector<std::string> desktopsToTry(const Session& session) {
    if (!session.forced.empty()) return {session.forced};
    std::vector<std::string> names;
    if (!session.swaySocket.empty()) names.push_back("sway");
    if (!session.waylandDisplay.empty()) names.push_back("wlroots");
    if (!session.xDisplay.empty()) names.push_back("x11");
    return names;
}

ChosenDesktop openDesktop(const Session& session) {
    ChosenDesktop chosen;
    for (const std::string& name : desktopsToTry(session)) {
        chosen.desktop = open(name, session);
        if (!chosen.desktop) continue;
        chosen.name = name;
        if (name == "wlroots")
            chosen.notice = QStringLiteral(
                "Les règles de taille ne ferment rien sur ce bureau : il ne donne pas la taille "
                "des fenêtres. Utilisez des règles sur le titre seul.");
        // X11 in a Wayland session sees only the windows of XWayland.
        if (name == "x11" && !session.waylandDisplay.empty() && session.forced.empty())
            chosen.notice = QStringLiteral(
                "Seules les fenêtres XWayland sont surveillées : ce bureau Wayland ne laisse pas "
                "voir les autres. Ouvrez une session sway, wlroots ou X11 pour les surveiller "
                "toutes.");
        return chosen;
    }
    chosen.desktop = std::make_unique<ScriptedDesktop>();
    chosen.notice = noDesktopNotice(session);
    return chosen;
}

} // namespace vornel
