// The main window under a real window manager: the frame it is given, and
// how the tray menu's "Afficher la fenêtre" brings it back.
#include "app/tfm_vornel.h"
#include "app/tfm_vornel_tray.h"
#include "blocking/desktops/x11_desktop.h"
#include "blocking/scripted_desktop.h"
#include "gui_helpers.h"
#include "support/x11_client.h"
#include "support/x11_display.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <gtest/gtest.h>

using namespace vornel;
using test::eventually;
using test::XLogo;

namespace {

class ManagedMainWindow : public ::testing::Test {
protected:
    ManagedMainWindow() { tray.fmVornel = &window; }

    xcb_window_t shownWindow() {
        window.show();
        const auto id = xcb_window_t(window.winId());
        EXPECT_TRUE(eventually([&] {
            QApplication::processEvents();
            return client.managed(id) && client.wmState(id) == 1;
        }));
        return id;
    }
    std::vector<std::string> allowedActions(xcb_window_t id) {
        std::vector<std::string> names;
        for (uint32_t atom : client.longs(id, "_NET_WM_ALLOWED_ACTIONS"))
            names.push_back(client.atomName(atom));
        return names;
    }
    bool waitFor(const std::function<bool()>& done) {
        return eventually([&] {
            QApplication::processEvents();
            return done();
        });
    }

    test::X11Client client{test::testDisplay()};
    test::PrivateFolders folders;
    ScriptedDesktop desktop;
    test::QuietSound sound;
    TfmVornelTray tray;
    TfmVornel window{desktop, sound, &tray};
};

// Counts Timer1's ticks while the event loop runs.
class TickCounter {
public:
    explicit TickCounter(TfmVornel& window) {
        QObject::connect(window.Timer1, &QTimer::timeout, &context_, [this] { ++ticks_; });
    }
    // The ticks in the next ms milliseconds.
    int over(int ms) {
        ticks_ = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return ticks_;
    }
    // Waits until a tick leaves no more to do.
    bool resting() {
        return eventually([&] { return over(700) == 0; }, std::chrono::seconds(20));
    }

private:
    QObject context_;
    int ticks_ = 0;
};

} // namespace

// The dialog-style frame as every window manager reads it: the dialog type,
// and Motif hints without minimise or maximise. Openbox offers minimise on
// every window whatever the hints say, so of its answer only maximise and
// resize can be checked.
TEST_F(ManagedMainWindow, TheFrameIsADialogFrameWithTheCloseBoxOnly) {
    const xcb_window_t id = shownWindow();
    const std::vector<uint32_t> type = client.longs(id, "_NET_WM_WINDOW_TYPE");
    ASSERT_FALSE(type.empty());
    EXPECT_EQ(client.atomName(type[0]), "_NET_WM_WINDOW_TYPE_DIALOG");

    enum : uint32_t { Functions = 1, Decorations = 2 };
    enum : uint32_t { FuncMove = 4, FuncMinimize = 8, FuncMaximize = 16, FuncClose = 32 };
    enum : uint32_t { DecorTitle = 8, DecorMinimize = 32, DecorMaximize = 64 };
    const std::vector<uint32_t> motif = client.longs(id, "_MOTIF_WM_HINTS");
    ASSERT_GE(motif.size(), 3u);
    EXPECT_EQ(motif[0] & (Functions | Decorations), Functions | Decorations);
    EXPECT_EQ(motif[1] & (FuncMove | FuncClose), FuncMove | FuncClose);
    EXPECT_EQ(motif[1] & (FuncMinimize | FuncMaximize), 0u);
    EXPECT_EQ(motif[2] & DecorTitle, DecorTitle);
    EXPECT_EQ(motif[2] & (DecorMinimize | DecorMaximize), 0u);

    std::vector<std::string> actions;
    ASSERT_TRUE(waitFor([&] {
        actions = allowedActions(id);
        return !actions.empty();
    }));
    auto offers = [&](const char* action) {
        return std::find(actions.begin(), actions.end(), action) != actions.end();
    };
    EXPECT_TRUE(offers("_NET_WM_ACTION_CLOSE"));
    EXPECT_TRUE(offers("_NET_WM_ACTION_MOVE"));
    EXPECT_FALSE(offers("_NET_WM_ACTION_MAXIMIZE_HORZ"));
    EXPECT_FALSE(offers("_NET_WM_ACTION_MAXIMIZE_VERT"));
    EXPECT_FALSE(offers("_NET_WM_ACTION_RESIZE"));
}

// Minimised by the window manager, hidden, or behind another window: the
// menu item brings it back in front, with the focus, every time.
TEST_F(ManagedMainWindow, ShowingFromTheMenuRestoresRaisesAndActivatesInEveryState) {
    const xcb_window_t id = shownWindow();
    const xcb_window_t other = client.create(200, 150);
    auto isActive = [&](xcb_window_t w) {
        const std::vector<uint32_t> active = client.longs(client.root, "_NET_ACTIVE_WINDOW");
        return !active.empty() && active[0] == w;
    };
    auto inFront = [&] {
        return client.wmState(id) == 1 && !window.isMinimized() && isActive(id) &&
               client.stackingTopFirst().front() == id;
    };
    window.BtnClick(Page::Closed);

    client.iconify(id);
    ASSERT_TRUE(waitFor([&] { return client.wmState(id) == 3 && window.isMinimized(); }));
    tray.Afficher1Click();
    EXPECT_TRUE(waitFor(inFront));
    // Brought back, not shown anew: it keeps its page.
    EXPECT_EQ(window.currentPage(), Page::Closed);

    client.map(other);
    // The window manager answers only for a window it manages already.
    ASSERT_TRUE(waitFor([&] { return client.managed(other); }));
    client.raise(other);
    ASSERT_TRUE(waitFor([&] { return isActive(other); }));
    tray.Afficher1Click();
    EXPECT_TRUE(waitFor(inFront));

    window.hide();
    ASSERT_TRUE(waitFor([&] { return client.wmState(id) != 1; }));
    tray.Afficher1Click();
    EXPECT_TRUE(waitFor(inFront));
    EXPECT_EQ(window.currentPage(), Page::Welcome);

    // Minimised, then hidden from the options page: it comes back all the same.
    client.iconify(id);
    ASSERT_TRUE(waitFor([&] { return window.isMinimized(); }));
    window.hide();
    tray.Afficher1Click();
    EXPECT_TRUE(waitFor(inFront));
}

// A desktop that cannot tell its changes is asked at every tick, as ever.
TEST_F(ManagedMainWindow, ADesktopThatTellsNoChangesIsAskedAtEveryTick) {
    TickCounter counter(window);
    EXPECT_GE(counter.over(2000), 2);
}

// Over the real desktop, a tick runs only when something has changed: at
// rest none runs, a retitled window wakes it (and is closed), a changed
// option wakes it, a resume after a pause ticks once, and the ports page
// keeps it going while on show.
TEST(MainWindowAtRest, NothingChangedNothingRunsAndAChangeWakesTheTick) {
    const std::string display = test::testDisplay();
    test::X11Client client(display);
    ASSERT_TRUE(client.connected());
    auto desktop = X11Desktop::connect(display);
    ASSERT_TRUE(desktop);
    XLogo news(display, "Les nouvelles - Navigateur démo");
    xcb_window_t newsWindow = 0;
    ASSERT_TRUE(eventually([&] {
        newsWindow = client.findByName("Les nouvelles - Navigateur démo");
        return newsWindow && client.managed(newsWindow);
    }));

    test::PrivateFolders folders;
    test::QuietSound sound;
    TfmVornelTray tray;
    TfmVornel window(*desktop, sound, &tray);
    tray.fmVornel = &window;
    window.ui.mFen->setPlainText(" - Navigateur démo");
    window.CloseRules.append(TCond{"Y", "N", "publicité", 0, 0});
    TickCounter counter(window);
    ASSERT_TRUE(eventually([&] {
        QApplication::processEvents();
        return window.ui.lb1->count() == 1;
    })) << "the browser window is a candidate";

    ASSERT_TRUE(counter.resting());
    EXPECT_EQ(counter.over(2000), 0);
    EXPECT_TRUE(window.Timer1->isActive()) << "at rest is not paused";

    client.setUtf8Title(newsWindow, "Publicité - Navigateur démo");
    EXPECT_TRUE(eventually([&] {
        QApplication::processEvents();
        return !news.running();
    }));
    EXPECT_EQ(window.ui.lNbre->text(), "1");
    ASSERT_TRUE(counter.resting());

    window.ui.cbReduite->toggle();
    EXPECT_GE(counter.over(1000), 1);
    ASSERT_TRUE(counter.resting());

    tray.PauseClick();
    EXPECT_EQ(counter.over(1000), 0);
    tray.PauseClick();
    EXPECT_EQ(counter.over(1000), 1);

    // The ports page refreshes at every tick while it is on show.
    window.show();
    ASSERT_TRUE(eventually([&] {
        QApplication::processEvents();
        return window.isVisible() && window.windowHandle()->isExposed();
    }));
    window.BtnClick(Page::Ports);
    EXPECT_GE(counter.over(1000), 2);
    window.BtnClick(Page::Welcome);
    EXPECT_TRUE(counter.resting());
}
