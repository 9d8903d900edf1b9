// The sway desktop against a real headless sway: the model follows the
// compositor's events without being asked to, sizes are the outer ones sway
// draws, the scratchpad is minimised, and a close is the polite one.
#include "blocking/desktops/sway_desktop.h"
#include "support/wayland_session.h"

#include <gtest/gtest.h>

using namespace vornel;
using namespace vornel::test;

namespace {

std::vector<WindowHandle> walk(Desktop& desktop) {
    std::vector<WindowHandle> seen;
    desktop.beginWalk();
    for (WindowHandle h = desktop.GetWindow(0, GW_HWNDFIRST); h;
         h = desktop.GetWindow(h, GW_HWNDNEXT))
        seen.push_back(h);
    return seen;
}

std::string titleOf(Desktop& desktop, WindowHandle window) {
    char buffer[256];
    const int length = desktop.GetWindowTextA(window, buffer, sizeof buffer);
    return {buffer, std::size_t(length)};
}

WindowHandle handleOf(const QJsonObject& container) {
    return WindowHandle(container["id"].toInteger());
}

QRect rectOf(const QJsonObject& node) {
    const QJsonObject r = node["rect"].toObject();
    return {r["x"].toInt(), r["y"].toInt(), r["width"].toInt(), r["height"].toInt()};
}

QJsonObject workspaceNamed(const QJsonObject& node, const QString& name) {
    if (node["type"].toString() == "workspace" && node["name"].toString() == name) return node;
    for (const QJsonValue& child : node["nodes"].toArray())
        if (QJsonObject w = workspaceNamed(child.toObject(), name); !w.isEmpty()) return w;
    return {};
}

class SwayDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(swayTestDir().isEmpty()) << "runs inside the sway fixture";
        desktop = SwayDesktop::connect(sessionVariable(dir, "SWAYSOCK"));
        ASSERT_TRUE(desktop) << "the sway socket did not answer";
    }
    const QString dir = swayTestDir();
    std::unique_ptr<SwayDesktop> desktop;
};

TEST_F(SwayDesktopTest, FollowsNewWindowsTitlesAndClosingsFromEventsAlone) {
    TestWindow first(dir, "Pub - Mozilla", {400, 300});
    ASSERT_TRUE(first.waitShown());
    const WindowHandle firstHandle = handleOf(waitForContainer(dir, "Pub - Mozilla"));
    ASSERT_NE(firstHandle, 0u);

    // No refresh is asked for: the window event alone brings the window in.
    ASSERT_TRUE(waitWithEvents([&] { return desktop->find(firstHandle) != nullptr; }));
    EXPECT_EQ(titleOf(*desktop, firstHandle), "Pub - Mozilla");
    EXPECT_TRUE(desktop->IsWindowVisible(firstHandle));
    EXPECT_FALSE(desktop->IsIconic(firstHandle));

    // A floating window: its borders (2 pixels, "default_floating_border
    // normal 2") and its title bar above the 400 x 300 that the client drew.
    const WindowRect outer = desktop->GetWindowRect(firstHandle);
    EXPECT_EQ(outer.width(), 404);
    EXPECT_GT(outer.height(), 302 + 10) << "the title bar is part of the outer size";
    EXPECT_LT(outer.height(), 302 + 60);

    TestWindow second(dir, "Autre - Mozilla", {200, 150});
    ASSERT_TRUE(second.waitShown());
    const WindowHandle secondHandle = handleOf(waitForContainer(dir, "Autre - Mozilla"));
    ASSERT_TRUE(waitWithEvents([&] { return desktop->find(secondHandle) != nullptr; }));
    EXPECT_EQ(walk(*desktop).front(), secondHandle) << "the newest floating window is on top";

    // Nothing changes: ticks ask the compositor nothing.
    const uint64_t sent = desktop->messagesSent();
    for (int tick = 0; tick < 5; ++tick) {
        waitWithEvents([] { return false; }, 200);
        walk(*desktop);
        titleOf(*desktop, firstHandle);
        desktop->GetWindowRect(firstHandle);
    }
    EXPECT_EQ(desktop->messagesSent(), sent);

    first.retitle("Nouveau titre - Mozilla");
    EXPECT_TRUE(waitWithEvents(
        [&] { return titleOf(*desktop, firstHandle) == "Nouveau titre - Mozilla"; }));

    // The close is the polite one: the client is asked and goes by itself.
    EXPECT_TRUE(desktop->PostClose(secondHandle));
    EXPECT_TRUE(second.waitClosed());
    EXPECT_TRUE(waitWithEvents([&] { return desktop->find(secondHandle) == nullptr; }));
    EXPECT_FALSE(first.sawClose()) << "only the window asked is closed";
    EXPECT_EQ(walk(*desktop), std::vector<WindowHandle>{firstHandle});
}

TEST_F(SwayDesktopTest, TiledWindowsFillTheirPlaceScratchpadIsMinimisedOtherWorkspacesVisible) {
    ASSERT_TRUE(swaymsg(dir, "workspace 2"));
    QProcess tiled;
    startInSession(tiled, dir, "foot", {"--app-id", "foot", "--title", "Tuile - Mozilla"});
    const QJsonObject container = waitForContainer(dir, "Tuile - Mozilla");
    ASSERT_FALSE(container.isEmpty()) << "foot did not show";
    const WindowHandle handle = handleOf(container);
    ASSERT_TRUE(waitWithEvents([&] { return desktop->find(handle) != nullptr; }));

    // Alone on its workspace, a tiled window with its title bar is exactly
    // the workspace's area.
    ASSERT_TRUE(desktop->refresh(5000));
    const QRect area = rectOf(workspaceNamed(swayTree(dir), "2"));
    EXPECT_EQ(desktop->GetWindowRect(handle),
              (WindowRect{area.x(), area.y(), area.x() + area.width(), area.y() + area.height()}));

    ASSERT_TRUE(swaymsg(dir, "workspace 1"));
    ASSERT_TRUE(desktop->refresh(5000));
    EXPECT_TRUE(desktop->IsWindowVisible(handle)) << "another workspace's window counts as visible";
    EXPECT_FALSE(desktop->IsIconic(handle));

    ASSERT_TRUE(swaymsg(dir, QString("[con_id=%1] move scratchpad").arg(handle)));
    EXPECT_TRUE(waitWithEvents([&] { return desktop->IsIconic(handle); }));
    EXPECT_TRUE(desktop->IsWindowVisible(handle));

    EXPECT_TRUE(desktop->PostClose(handle));
    EXPECT_TRUE(tiled.waitForFinished(5000)) << "foot was not asked to close";
    EXPECT_TRUE(waitWithEvents([&] { return desktop->find(handle) == nullptr; }));
}

TEST_F(SwayDesktopTest, AnswersNothingAndClosesNothingOnceTheCompositorHasGone) {
    TestWindow window(dir, "Reste - Mozilla", {200, 150});
    ASSERT_TRUE(window.waitShown());
    const WindowHandle handle = handleOf(waitForContainer(dir, "Reste - Mozilla"));
    ASSERT_TRUE(waitWithEvents([&] { return desktop->find(handle) != nullptr; }));

    // A second, private sway: the desktop connected to it loses it.
    WaylandSession other("sway");
    ASSERT_TRUE(other.started());
    auto lost = SwayDesktop::connect(sessionVariable(other.dir(), "SWAYSOCK"));
    ASSERT_TRUE(lost);
    TestWindow elsewhere(other.dir(), "Ailleurs - Mozilla", {200, 150});
    ASSERT_TRUE(elsewhere.waitShown());
    ASSERT_TRUE(waitWithEvents([&] { return !walk(*lost).empty(); }));
    swaymsg(other.dir(), "exit"); // sway may go before it answers
    EXPECT_TRUE(waitWithEvents([&] { return !lost->connected(); }));
    EXPECT_TRUE(walk(*lost).empty());
    EXPECT_FALSE(lost->PostClose(handle));

    EXPECT_FALSE(window.sawClose());
    EXPECT_EQ(titleOf(*desktop, handle), "Reste - Mozilla") << "the first session is untouched";
}

} // namespace
