#include "blocking/desktops/window_model.h"

#include <gtest/gtest.h>

using namespace vornel;

namespace {

// A model fed by hand, as a window system's events would feed it.
struct FedModel : WindowModel {
    std::vector<WindowHandle> closed;
    int updates = 0;
    bool refuseClose = false;

    using WindowModel::entry;
    using WindowModel::forget;
    using WindowModel::forgetAll;
    using WindowModel::setNotice;
    using WindowModel::setOrder;
    using WindowModel::setSideNotice;

    void update() override { ++updates; }
    CloseRequest requestClose(WindowHandle window) override {
        if (refuseClose) return CloseRequest::Refused;
        closed.push_back(window);
        return CloseRequest::Sent;
    }
};

std::vector<WindowHandle> walk(Desktop& desktop) {
    std::vector<WindowHandle> seen;
    desktop.beginWalk();
    for (WindowHandle h = desktop.GetWindow(0, GW_HWNDFIRST); h;
         h = desktop.GetWindow(h, GW_HWNDNEXT))
        seen.push_back(h);
    return seen;
}

TEST(WindowModel, WalksTopFirstAndKeepsEntriesThroughRestacking) {
    FedModel model;
    EXPECT_EQ(walk(model), std::vector<WindowHandle>{});
    model.entry(7).title = "sept";
    model.entry(3).rect = {10, 20, 110, 70};
    model.entry(9);
    EXPECT_EQ(walk(model), (std::vector<WindowHandle>{7, 3, 9}));
    EXPECT_EQ(model.updates, 2);

    // A new stacking order with a repeat and a zero: each window once, the
    // answers of the windows that stay are kept, the others forgotten.
    model.setOrder({9, 0, 3, 9, 12});
    EXPECT_EQ(walk(model), (std::vector<WindowHandle>{9, 3, 12}));
    EXPECT_EQ(model.GetWindowRect(3), (WindowRect{10, 20, 110, 70}));
    EXPECT_EQ(model.find(7), nullptr);
    EXPECT_EQ(model.GetWindow(7, GW_HWNDNEXT), 0u) << "a window that has gone ends the walk";

    model.forget(3);
    EXPECT_EQ(walk(model), (std::vector<WindowHandle>{9, 12}));
    EXPECT_EQ(model.GetWindow(9, GW_HWNDNEXT), 12u);
    model.forgetAll();
    EXPECT_EQ(model.GetWindow(0, GW_HWNDFIRST), 0u);
}

TEST(WindowModel, UnknownWindowsReadEmptyAndTitlesAreCutOnUtf8Boundaries) {
    FedModel model;
    ModelWindow& w = model.entry(5);
    w.title = "Publicité";
    w.visible = true;
    w.iconic = true;

    char buffer[16];
    EXPECT_EQ(model.GetWindowTextA(5, buffer, 16), 10);
    EXPECT_STREQ(buffer, "Publicité");
    EXPECT_EQ(model.GetWindowTextA(5, buffer, 10), 8) << "never half of the é";
    EXPECT_STREQ(buffer, "Publicit");
    EXPECT_TRUE(model.IsWindowVisible(5));
    EXPECT_TRUE(model.IsIconic(5));

    EXPECT_EQ(model.GetWindowTextA(6, buffer, 16), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_FALSE(model.IsWindowVisible(6));
    EXPECT_EQ(model.GetWindowRect(6), WindowRect{});
    EXPECT_EQ(model.PostClose(6), CloseRequest::Refused)
        << "nothing is sent to a window the model does not know";
    EXPECT_EQ(model.PostClose(5), CloseRequest::Sent);
    model.refuseClose = true;
    EXPECT_EQ(model.PostClose(5), CloseRequest::Refused);
    EXPECT_EQ(model.closed, std::vector<WindowHandle>{5});
}

TEST(WindowModel, TheScanReadsOnceFromTheTableOtherCallsTakeInFirstAndAWalkKeepsItsOrder) {
    FedModel model;
    model.entry(1).title = "un";
    model.entry(2).title = "deux";
    model.entry(3);
    char buffer[16];

    // The scan's reads right after a hint come from the table as it is.
    model.beginWalk();
    ASSERT_EQ(model.updates, 1);
    EXPECT_EQ(model.GetWindow(0, GW_HWNDFIRST), 1u);
    EXPECT_TRUE(model.IsWindowVisible(1));
    EXPECT_EQ(model.GetWindowTextA(1, buffer, 16), 2);
    EXPECT_EQ(model.updates, 1);
    // A second question about the same thing takes in first.
    EXPECT_EQ(model.GetWindowTextA(1, buffer, 16), 2);
    EXPECT_EQ(model.updates, 2);

    // A change taken in mid-walk: the walk goes on over the order it began with.
    model.setOrder({3, 1});
    EXPECT_EQ(model.GetWindow(1, GW_HWNDNEXT), 2u);
    EXPECT_EQ(model.GetWindow(2, GW_HWNDNEXT), 3u);
    EXPECT_FALSE(model.IsWindowVisible(2)) << "gone from the table";
    EXPECT_EQ(model.GetWindow(3, GW_HWNDNEXT), 0u);

    // The second reading: the titles and rectangles once each, then afresh.
    const int before = model.updates;
    model.rereadWindows(std::vector<WindowHandle>{3, 1});
    EXPECT_EQ(model.updates, before + 1);
    model.GetWindowTextA(3, buffer, 16);
    model.GetWindowRect(3);
    model.GetWindowRect(1);
    EXPECT_EQ(model.PostClose(1), CloseRequest::Sent);
    EXPECT_EQ(model.updates, before + 1);
    model.GetWindowRect(1);
    EXPECT_EQ(model.updates, before + 2);
    // A walk without the hint takes in at its start.
    model.GetWindow(0, GW_HWNDFIRST);
    EXPECT_EQ(model.updates, before + 3);
}

// Nothing changed, nothing told: a whole tick's reads and a close request
// leave the watcher alone; each change to the table is told.
TEST(WindowModel, ReadingTellsNothingAndEveryChangeIsTold) {
    FedModel model;
    int told = 0;
    EXPECT_TRUE(model.watchChanges([&] { ++told; })) << "a model is fed by events";
    model.entry(1).title = "un";
    model.entry(2);
    EXPECT_EQ(told, 2);

    char buffer[16];
    told = 0;
    walk(model);
    model.rereadWindows(std::vector<WindowHandle>{1, 2});
    model.GetWindowTextA(1, buffer, 16);
    model.GetWindowRect(2);
    model.PostClose(1);
    model.GetWindowTextA(1, buffer, 16);
    EXPECT_EQ(told, 0);

    model.setOrder({2, 1});
    EXPECT_EQ(told, 1);
    model.forget(7);
    EXPECT_EQ(told, 1) << "a window the model never held";
    model.forget(2);
    EXPECT_EQ(told, 2);
    model.forgetAll();
    EXPECT_EQ(told, 3);
}

// XWayland's silence is told after what the desktop itself says, and
// neither clears the other.
TEST(WindowModel, ASideNoticeIsToldAfterTheDesktopsOwnAndEachClearsAlone) {
    FedModel model;
    std::vector<std::string> told;
    model.watchNotice([&](const std::string& notice) { told.push_back(notice); });
    model.setSideNotice("XWayland se tait.");
    model.setNotice("Le script ne répond pas.");
    model.setNotice("Le script ne répond pas.");
    model.setSideNotice("");
    model.setSideNotice("XWayland se tait.");
    model.setNotice("");
    model.setSideNotice("");
    EXPECT_EQ(told, (std::vector<std::string>{
                        "XWayland se tait.", "Le script ne répond pas. XWayland se tait.",
                        "Le script ne répond pas.", "Le script ne répond pas. XWayland se tait.",
                        "XWayland se tait.", ""}));
    EXPECT_EQ(model.notice(), "");
}

} // namespace
