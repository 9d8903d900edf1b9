#pragma once

#include "blocking/desktop.h"

#include <QString>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace vornel {

// What the session offers, from its environment.
struct Session {
    std::string forced{};         // --desktop NAME, else $VORNEL_DESKTOP; empty: choose
    std::string waylandDisplay{}; // $WAYLAND_DISPLAY
    std::string swaySocket{};     // $SWAYSOCK, else $I3SOCK
    std::string xDisplay{};       // $DISPLAY
    std::string currentDesktop{}; // $XDG_CURRENT_DESKTOP, names separated by colons
    // --windows: a one-time look, which may borrow from a running instance
    // what a desktop lends to one program at a time.
    bool listOnly = false;

    static Session fromEnvironment(const std::string& forced = {});
};

// The desktops worth trying, best first. A Wayland session's own desktop sees
// its XWayland windows too, so it comes before X11; a forced desktop is the
// only one tried.
std::vector<std::string> desktopsToTry(const Session& session);

// The names --desktop takes.
const std::vector<std::string>& desktopNames();
// The same for a sentence: "gnome, kwin, sway, wlroots ou x11".
QString desktopNamesText();

struct ChosenDesktop {
    std::unique_ptr<Desktop> desktop; // never null: an empty desktop when none answered
    std::string name;                 // the one that answered; empty when none did
    // What the user must know, in French: what is missing and what to do.
    // Empty when everything works.
    QString notice;
    // The notice tells of something this run did (GNOME: the extension set
    // up), which deserves a message of its own, once.
    bool noticeOnce = false;
    // It sees no window at all, whatever is open; the notice says why.
    bool blind = false;
};

// Opens the first desktop of desktopsToTry that answers.
ChosenDesktop openDesktop(const Session& session);

// The windows as the desktop sees them, top first, one line each: handle,
// visible (1 or 0), minimised (1 or 0), outer width x height ("?" where the
// desktop cannot tell), title, separated by tabs.
void printWindows(Desktop& desktop, std::ostream& out);

} // namespace vornel
