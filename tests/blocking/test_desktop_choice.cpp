// Which desktop the session offers, in which order they are tried, and what
// the user is told when none answers.
#include "blocking/desktops/desktop_choice.h"

#include <gtest/gtest.h>

using namespace vornel;

namespace {

using Names = std::vector<std::string>;

TEST(DesktopChoice, AWaylandSessionsOwnDesktopsComeBeforeX11AndAForcedOneIsTheOnlyOne) {
    EXPECT_EQ(desktopsToTry({}), Names{});
    EXPECT_EQ(desktopsToTry({.xDisplay = ":0"}), Names{"x11"});
    EXPECT_EQ(desktopsToTry({.waylandDisplay = "wayland-1"}), Names{"wlroots"});
    EXPECT_EQ(desktopsToTry({.waylandDisplay = "wayland-1", .xDisplay = ":0"}),
              (Names{"wlroots", "x11"}));
    EXPECT_EQ(
        desktopsToTry(
            {.waylandDisplay = "wayland-1", .swaySocket = "/run/sway.sock", .xDisplay = ":0"}),
        (Names{"sway", "wlroots", "x11"}));
    EXPECT_EQ(desktopsToTry(
                  {.forced = "x11", .waylandDisplay = "wayland-1", .swaySocket = "/run/sway.sock"}),
              Names{"x11"});
}

TEST(DesktopChoice, PlasmaAndGnomeWaylandSessionsTryTheirOwnDesktopFirst) {
    EXPECT_EQ(
        desktopsToTry({.waylandDisplay = "wayland-0", .xDisplay = ":0", .currentDesktop = "KDE"}),
        (Names{"kwin", "wlroots", "x11"}));
    EXPECT_EQ(
        desktopsToTry(
            {.waylandDisplay = "wayland-0", .xDisplay = ":0", .currentDesktop = "ubuntu:GNOME"}),
        (Names{"gnome", "wlroots", "x11"}));
    // Their X11 sessions are served by the X11 desktop.
    EXPECT_EQ(desktopsToTry({.xDisplay = ":0", .currentDesktop = "KDE"}), Names{"x11"});
    EXPECT_EQ(desktopsToTry({.xDisplay = ":0", .currentDesktop = "GNOME"}), Names{"x11"});
    // A desktop's name is matched whole.
    EXPECT_EQ(
        desktopsToTry({.waylandDisplay = "wayland-0", .currentDesktop = "XFCE:KDEish:GNOME2"}),
        Names{"wlroots"});
}

TEST(DesktopChoice, WhenNothingAnswersTheUserIsToldWhyAndTheProgramStillHasADesktop) {
    struct Case {
        Session session;
        const char* says;
    };
    const Case cases[] = {
        {{}, "aucun bureau graphique n'a été trouvé"},
        {{.forced = "kde"}, "le bureau « kde » est inconnu"},
        {{.forced = "sway", .swaySocket = "/nonexistent/sway.sock"},
         "le bureau « sway » demandé ne répond pas"},
        {{.waylandDisplay = "/nonexistent/wayland-9", .currentDesktop = "Sombre"},
         "(XDG_CURRENT_DESKTOP=Sombre) ne laisse pas voir les fenêtres des autres programmes"},
        // A KDE Plasma session is told why KWin cannot be watched, and never
        // to open a session of a desktop Vornel knows.
        {{.waylandDisplay = "/nonexistent/wayland-9", .currentDesktop = "KDE"},
         "le bureau de cette session (XDG_CURRENT_DESKTOP=KDE) ne peut pas être surveillé. "
         "KDE Plasma : "},
    };
    for (const Case& c : cases) {
        ChosenDesktop chosen = openDesktop(c.session);
        ASSERT_TRUE(chosen.desktop) << c.says;
        EXPECT_TRUE(chosen.name.empty()) << c.says;
        EXPECT_TRUE(chosen.blind) << c.says;
        EXPECT_TRUE(chosen.notice.startsWith("Aucune fenêtre n'est surveillée : "))
            << chosen.notice.toStdString();
        EXPECT_TRUE(chosen.notice.contains(QString::fromUtf8(c.says)))
            << chosen.notice.toStdString();
        EXPECT_EQ(chosen.desktop->GetWindow(0, GW_HWNDFIRST), 0u);
        EXPECT_FALSE(chosen.notice.contains("ouvrez")) << chosen.notice.toStdString();
    }
}

} // namespace
