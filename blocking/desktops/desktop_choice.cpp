#include "blocking/desktops/desktop_choice.h"

#include "blocking/desktops/gnome_desktop.h"
#include "blocking/desktops/kwin_desktop.h"
#include "blocking/desktops/sway_desktop.h"
#include "blocking/desktops/wlroots_desktop.h"
#include "blocking/desktops/x11_desktop.h"
#include "blocking/scripted_desktop.h"
#include "common/program_language.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vornel {

namespace {

// How long a look (--windows) waits for KWin's script to report, and for
// GNOME Shell's answers, several in a row when the extension does not run.
constexpr int LookWaitMs = 5000;
constexpr int GnomeLookWaitMs = 20000;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Whether one of the colon-separated names of $XDG_CURRENT_DESKTOP is name.
bool currentDesktopIs(const Session& session, std::string_view name) {
    std::string_view names = session.currentDesktop;
    while (!names.empty()) {
        const auto colon = names.find(':');
        if (names.substr(0, colon) == name) return true;
        if (colon == std::string_view::npos) break;
        names.remove_prefix(colon + 1);
    }
    return false;
}

// GNOME Shell answers even when our extension does not run yet; the desktop
// then says why it sees nothing.
ChosenDesktop openGnome(const Session& session) {
    ChosenDesktop chosen;
    auto gnome = GnomeDesktop::connect(session.xDisplay, session.listOnly);
    if (!gnome) return chosen;
    // A look is taken once: the extension's list, or why it does not
    // answer, must be in; the resident fills as the answers come. Each
    // question has a time limit of its own: this wait is a backstop.
    if (session.listOnly && !gnome->waitUntilSettled(GnomeLookWaitMs))
        chosen.notice = QCoreApplication::translate("DesktopChoice",
                                                    "Aucune fenêtre n'est listée : GNOME Shell "
                                                    "n'a pas répondu en %1 secondes. Réessayez "
                                                    "dans un instant.")
                            .arg(GnomeLookWaitMs / 1000);
    else
        chosen.notice = gnome->notice();
    chosen.noticeOnce = gnome->setUpNow();
    chosen.blind = !gnome->answering();
    chosen.desktop = std::move(gnome);
    return chosen;
}

ChosenDesktop openKWin(const Session& session) {
    ChosenDesktop chosen;
    std::string why;
    auto kwin = KWinDesktop::connect(session.xDisplay, why, session.listOnly);
    // Why KWin cannot be watched, should no other desktop answer either.
    if (!kwin)
        chosen.notice =
            programText("DesktopChoice", "KDE Plasma : %1").arg(QString::fromStdString(why));
    // A look is taken once: the script's first report must be in.
    if (kwin && session.listOnly && !kwin->waitForWindows(LookWaitMs)) {
        chosen.notice = programText("DesktopChoice",
                                    "Aucune fenêtre n'est listée : le script que Vornel charge "
                                    "dans KWin n'a pas répondu en %1 secondes. Réessayez dans "
                                    "un instant.")
                            .arg(LookWaitMs / 1000);
        chosen.blind = true;
    }
    chosen.desktop = std::move(kwin);
    return chosen;
}

// The desktop called name, with what the user must know of it; no desktop
// when it does not answer.
ChosenDesktop open(const std::string& name, const Session& session) {
    if (name == "gnome") return openGnome(session);
    if (name == "kwin") return openKWin(session);
    ChosenDesktop chosen;
    if (name == "sway" && !session.swaySocket.empty()) {
        auto sway = SwayDesktop::connect(QString::fromStdString(session.swaySocket), 3000,
                                         session.xDisplay);
        // A look is taken once: the tree must be in.
        if (sway && session.listOnly && !sway->refresh(LookWaitMs)) sway.reset();
        chosen.desktop = std::move(sway);
    }
    if (name == "wlroots" && !session.waylandDisplay.empty()) {
        chosen.desktop = WlrootsDesktop::connect(session.waylandDisplay, session.xDisplay);
        if (chosen.desktop)
            chosen.notice = programText(
                "DesktopChoice",
                "Les règles de taille ne ferment rien sur ce bureau : il ne donne pas la taille "
                "des fenêtres. Utilisez des règles sur le titre seul.");
    }
    if (name == "x11") {
        chosen.desktop = X11Desktop::connect(session.xDisplay);
        // X11 in a Wayland session sees only the windows of XWayland.
        if (chosen.desktop && !session.waylandDisplay.empty() && session.forced.empty())
            chosen.notice =
                programText("DesktopChoice", "Seules les fenêtres XWayland sont surveillées : le "
                                             "bureau Wayland de cette session "
                                             "(XDG_CURRENT_DESKTOP=%1) ne laisse pas voir les "
                                             "autres.")
                    .arg(QString::fromStdString(session.currentDesktop));
    }
    return chosen;
}

QString quoted(const std::string& text) {
    return programText("DesktopChoice", "« %1 »").arg(QString::fromStdString(text));
}

// Why nothing answered, and what to do about it; causes are what the
// session's own desktops said of themselves.
QString noDesktopNotice(const Session& session, const QStringList& causes) {
    const QString none = programText("DesktopChoice", "Aucune fenêtre n'est surveillée : ");
    const std::vector<std::string>& names = desktopNames();
    if (!session.forced.empty() &&
        std::find(names.begin(), names.end(), session.forced) == names.end())
        return none + programText("DesktopChoice", "le bureau %1 est inconnu. Choisissez %2.")
                          .arg(quoted(session.forced), desktopNamesText());
    if (!session.forced.empty())
        return none + programText("DesktopChoice",
                                  "le bureau %1 demandé ne répond pas. Retirez l'option "
                                  "--desktop ou la variable VORNEL_DESKTOP.")
                          .arg(quoted(session.forced));
    if (!session.waylandDisplay.empty() && !causes.isEmpty())
        return none + programText("DesktopChoice",
                                  "le bureau de cette session (XDG_CURRENT_DESKTOP=%1) ne "
                                  "peut pas être surveillé. %2.")
                          .arg(QString::fromStdString(session.currentDesktop),
                               causes.join(programText("DesktopChoice", " ; ")));
    if (!session.waylandDisplay.empty())
        return none + programText("DesktopChoice",
                                  "le bureau Wayland de cette session "
                                  "(XDG_CURRENT_DESKTOP=%1) ne laisse pas voir les fenêtres "
                                  "des autres programmes. Vornel fonctionne sous GNOME, KDE "
                                  "Plasma, sway, les bureaux wlroots (labwc, Hyprland, "
                                  "wayfire…) et X11.")
                          .arg(QString::fromStdString(session.currentDesktop));
    if (!session.xDisplay.empty())
        return none + programText("DesktopChoice", "l'écran X %1 ne répond pas.")
                          .arg(quoted(session.xDisplay));
    return none + programText("DesktopChoice",
                              "aucun bureau graphique n'a été trouvé (ni Wayland ni X11). "
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
    s.currentDesktop = environment("XDG_CURRENT_DESKTOP");
    return s;
}

const std::vector<std::string>& desktopNames() {
    static const std::vector<std::string> names{"gnome", "kwin", "sway", "wlroots", "x11"};
    return names;
}

std::vector<std::string> desktopsToTry(const Session& session) {
    if (!session.forced.empty()) return {session.forced};
    std::vector<std::string> names;
    // The Wayland sessions of Plasma and GNOME; their X11 sessions are served
    // as well by X11.
    if (!session.waylandDisplay.empty() && currentDesktopIs(session, "KDE"))
        names.push_back("kwin");
    if (!session.waylandDisplay.empty() && currentDesktopIs(session, "GNOME"))
        names.push_back("gnome");
    if (!session.swaySocket.empty()) names.push_back("sway");
    if (!session.waylandDisplay.empty()) names.push_back("wlroots");
    if (!session.xDisplay.empty()) names.push_back("x11");
    return names;
}

ChosenDesktop openDesktop(const Session& session) {
    QStringList causes;
    for (const std::string& name : desktopsToTry(session)) {
        ChosenDesktop chosen = open(name, session);
        if (!chosen.desktop) {
            if (!chosen.notice.isEmpty()) causes << chosen.notice;
            continue;
        }
        chosen.name = name;
        // The session's own desktop failed: the notice says why.
        if (!causes.isEmpty())
            chosen.notice += QLatin1Char(' ') + causes.join(QStringLiteral(" ; ")) + u'.';
        return chosen;
    }
    ChosenDesktop none;
    none.desktop = std::make_unique<ScriptedDesktop>();
    none.notice = noDesktopNotice(session, causes);
    none.blind = true;
    return none;
}

} // namespace vornel
