// The foreign-toplevel desktop against a real headless sway, which offers the
// list: windows come and go and take new titles from the compositor's events
// alone, no size is ever claimed, and a close is the polite one.
#include "blocking/desktops/wlroots_desktop.h"
#include "support/socket_relay.h"
#include "support/wayland_session.h"

#include <gtest/gtest.h>

using namespace vornel;
using namespace vornel::test;

namespace {

// The handle of the one window with this title; 0 when there is none.
WindowHandle titled(WlrootsDesktop& desktop, const std::string& title) {
    desktop.beginWalk();
    WindowHandle found = 0;
    char buffer[256];
    for (WindowHandle h = desktop.GetWindow(0, GW_HWNDFIRST); h;
         h = desktop.GetWindow(h, GW_HWNDNEXT)) {
        const int length = desktop.GetWindowTextA(h, buffer, sizeof buffer);
        if (std::string(buffer, std::size_t(length)) == title) found = h;
    }
    return found;
}

TEST(WlrootsDesktop, FollowsTheCompositorsListFromEventsAndClosesPolitely) {
    const QString dir = swayTestDir();
    ASSERT_FALSE(dir.isEmpty()) << "runs inside the sway fixture";
    const QString socket =
        sessionVariable(dir, "XDG_RUNTIME_DIR") + '/' + sessionVariable(dir, "WAYLAND_DISPLAY");
    auto desktop = WlrootsDesktop::connect(socket.toStdString());
    ASSERT_TRUE(desktop) << "no foreign-toplevel list on " << socket.toStdString();

    TestWindow first(dir, "Pub - Mozilla", {400, 300});
    TestWindow second(dir, "Autre - Mozilla", {200, 150});
    ASSERT_TRUE(first.waitShown() && second.waitShown());
    WindowHandle firstHandle = 0, secondHandle = 0;
    ASSERT_TRUE(waitWithEvents([&] {
        firstHandle = titled(*desktop, "Pub - Mozilla");
        secondHandle = titled(*desktop, "Autre - Mozilla");
        return firstHandle && secondHandle;
    }));
    EXPECT_NE(firstHandle, secondHandle);
    EXPECT_TRUE(desktop->IsWindowVisible(firstHandle));
    EXPECT_FALSE(desktop->IsIconic(firstHandle));
    EXPECT_FALSE(desktop->sizeKnown(firstHandle)) << "the list tells no sizes";
    EXPECT_EQ(desktop->GetWindowRect(firstHandle), WindowRect{});

    first.retitle("Nouveau titre - Mozilla");
    EXPECT_TRUE(
        waitWithEvents([&] { return titled(*desktop, "Nouveau titre - Mozilla") == firstHandle; }));

    EXPECT_EQ(decidedClose(*desktop, secondHandle), CloseRequest::Sent);
    EXPECT_TRUE(second.waitClosed());
    EXPECT_TRUE(waitWithEvents([&] {
        desktop->beginWalk();
        return desktop->find(secondHandle) == nullptr;
    }));
    EXPECT_FALSE(first.sawClose()) << "only the window asked is closed";
    EXPECT_NE(desktop->find(firstHandle), nullptr);
}

// The list does not tell an XWayland window from a Wayland one, and the
// compositor kills the program of an X window that lacks WM_DELETE_WINDOW:
// with an X display named that does not answer, no window is closed, and the
// user is told once.
TEST(WlrootsDesktop, ClosesNothingWhileXWaylandCannotBeAsked) {
    const QString dir = swayTestDir();
    ASSERT_FALSE(dir.isEmpty()) << "runs inside the sway fixture";
    const QString socket =
        sessionVariable(dir, "XDG_RUNTIME_DIR") + '/' + sessionVariable(dir, "WAYLAND_DISPLAY");
    auto desktop = WlrootsDesktop::connect(socket.toStdString(), ":4242");
    ASSERT_TRUE(desktop);
    std::vector<std::string> told;
    desktop->watchNotice([&](const std::string& notice) { told.push_back(notice); });

    TestWindow window(dir, "Pub - Mozilla", {300, 200});
    ASSERT_TRUE(window.waitShown());
    WindowHandle handle = 0;
    ASSERT_TRUE(waitWithEvents([&] { return (handle = titled(*desktop, "Pub - Mozilla")) != 0; }));
    EXPECT_EQ(decidedClose(*desktop, handle), CloseRequest::Refused);
    EXPECT_EQ(decidedClose(*desktop, handle), CloseRequest::Refused);
    EXPECT_FALSE(window.waitClosed(1000));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("XWayland"), std::string::npos) << told[0];
}

// A connection the compositor ended (a protocol error, a client dropped) is
// told, answers nothing meanwhile, and is made again with the list.
TEST(WlrootsDesktop, ALostListIsToldAndAskedForAgain) {
    const QString dir = swayTestDir();
    ASSERT_FALSE(dir.isEmpty()) << "runs inside the sway fixture";
    SocketRelay relay(sessionVariable(dir, "XDG_RUNTIME_DIR") + '/' +
                      sessionVariable(dir, "WAYLAND_DISPLAY"));
    auto desktop = WlrootsDesktop::connect(relay.path().toStdString());
    ASSERT_TRUE(desktop);
    std::vector<std::string> told;
    desktop->watchNotice([&](const std::string& notice) { told.push_back(notice); });
    TestWindow window(dir, "Revient - Mozilla", {300, 200});
    ASSERT_TRUE(window.waitShown());
    WindowHandle before = 0;
    ASSERT_TRUE(
        waitWithEvents([&] { return (before = titled(*desktop, "Revient - Mozilla")) != 0; }));

    relay.cut();
    ASSERT_TRUE(waitWithEvents([&] { return !told.empty(); }));
    EXPECT_NE(told[0].find("aucune fenêtre n'est surveillée"), std::string::npos) << told[0];
    EXPECT_EQ(titled(*desktop, "Revient - Mozilla"), 0u);
    EXPECT_EQ(decidedClose(*desktop, before), CloseRequest::Refused);

    WindowHandle after = 0;
    ASSERT_TRUE(waitWithEvents([&] { return (after = titled(*desktop, "Revient - Mozilla")) != 0; },
                               10000));
    EXPECT_EQ(relay.connections(), 2);
    EXPECT_NE(after, before) << "a handle of the lost list is not given again";
    EXPECT_EQ(told.back(), "");
    EXPECT_FALSE(window.sawClose());
    EXPECT_EQ(decidedClose(*desktop, after), CloseRequest::Sent);
    EXPECT_TRUE(window.waitClosed());
}

TEST(WlrootsDesktop, IsNotOfferedWhereTheCompositorHasNoList) {
    WaylandSession weston("weston");
    ASSERT_TRUE(weston.started());
    const QString socket = sessionVariable(weston.dir(), "XDG_RUNTIME_DIR") + '/' +
                           sessionVariable(weston.dir(), "WAYLAND_DISPLAY");
    EXPECT_EQ(WlrootsDesktop::connect(socket.toStdString()), nullptr);
}

} // namespace
