// The X11 desktop kept by events, held against a fresh read of the same
// display after every one of a long run of real changes, and the requests an
// idle or nearly idle tick costs. Each test has a display of its own: a
// window manager restart must not disturb any other test.
#include "blocking/alert_sound.h"
#include "blocking/desktops/x11_desktop.h"
#include "blocking/scan_cycle.h"
#include "support/scan_widgets.h"
#include "support/x11_client.h"
#include "support/x11_display.h"
#include "support/x11_fresh_reader.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

using namespace vornel;
using test::eventually;
using test::FreshWindow;

namespace {

// Every answer of the desktop about every window of its walk, as the scan
// and the rule editor would ask for it.
std::vector<FreshWindow> answers(Desktop& desktop) {
    std::vector<FreshWindow> out;
    std::string title(70000, '\0');
    desktop.beginWalk();
    for (WindowHandle h = desktop.GetWindow(0, GW_HWNDFIRST); h;
         h = desktop.GetWindow(h, GW_HWNDNEXT)) {
        FreshWindow w;
        w.handle = h;
        w.visible = desktop.IsWindowVisible(h);
        w.iconic = desktop.IsIconic(h);
        w.title.assign(title.data(),
                       std::size_t(desktop.GetWindowTextA(h, title.data(), int(title.size()))));
        w.rect = desktop.GetWindowRect(h);
        out.push_back(w);
    }
    return out;
}

std::string describe(const std::vector<FreshWindow>& windows) {
    std::ostringstream out;
    for (const FreshWindow& w : windows)
        out << "  " << std::hex << w.handle << std::dec << " visible=" << w.visible
            << " iconic=" << w.iconic << " deletable=" << w.deletable << " \"" << w.title << "\" "
            << w.rect.left << "," << w.rect.top << "," << w.rect.right << "," << w.rect.bottom
            << "\n";
    return out.str();
}

// Ends the window manager that the session in dir started, by the process id
// the session wrote down, and strikes it from the session's list so that the
// session's own stop cannot reach another process that gets the id later.
bool endSessionWindowManager(const QString& dir) {
    QFile file(dir + "/pids");
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QStringList pids = QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
    file.close();
    if (pids.size() != 2) return false; // Xvfb, then openbox
    const pid_t openbox = pids[1].toInt();
    if (::kill(openbox, SIGTERM) != 0) return false;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    file.write((pids[0] + '\n').toLatin1());
    return true;
}

struct NoSound : AlertSound {
    void play(const std::string&) override {}
};

} // namespace

TEST(X11Events, EveryAnswerEqualsAFreshReadThroughALongRunOfRealChanges) {
    QTemporaryDir dir;
    test::X11Session session(dir.path().toStdString());
    const std::string display = session.display();
    ASSERT_FALSE(display.empty());
    test::X11Client client(display);
    test::X11FreshReader reader(display);
    ASSERT_TRUE(client.connected() && reader.connected());
    auto desktop = X11Desktop::connect(display);
    ASSERT_TRUE(desktop);

    const char* seedText = std::getenv("VORNEL_TEST_SEED");
    const unsigned seed = seedText ? unsigned(std::atoi(seedText)) : 20261208u;
    std::mt19937 random(seed);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    std::vector<xcb_window_t> windows;
    auto anyWindow = [&] { return windows[std::size_t(pick(int(windows.size())))]; };

    // The desktop's walk and answers equal the fresh read, and so does
    // whether a close request may go out, once the window manager is done.
    // That last is asked only of a model that agrees on all else: a close
    // request that overtook the dropping of WM_DELETE_WINDOW would have
    // openbox kill the client.
    // The window manager that replaces the session's, ours to end.
    QProcess newWindowManager;
    std::vector<FreshWindow> ours, fresh;
    auto same = [&] {
        ours = answers(*desktop);
        fresh = reader.read();
        for (std::size_t i = 0; i < ours.size() && i < fresh.size(); ++i)
            ours[i].deletable = fresh[i].deletable;
        if (ours != fresh) return false;
        for (FreshWindow& w : ours)
            w.deletable = desktop->PostClose(w.handle) == CloseRequest::Sent;
        return ours == fresh;
    };

    const int steps = 160;
    int comparedWindows = 0;
    for (int step = 0; step < steps; ++step) {
        std::string done;
        const int kind = windows.empty() ? 0 : pick(step == steps / 2 ? 1 : 15);
        if (step == steps / 2) {
            done = "window manager replaced";
            // The session's openbox ends, letting go of every window, and a
            // new one takes them all anew.
            ASSERT_TRUE(endSessionWindowManager(dir.path()));
            ASSERT_TRUE(eventually([&] { return !reader.read().empty() && !reader.managed(); }));
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("DISPLAY", QString::fromStdString(display));
            env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
            // openbox needs the machine's freedesktop folders (its default
            // configuration), which the test main hides from the tests.
            for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
                env.remove(name);
            newWindowManager.setProcessEnvironment(env);
            newWindowManager.start("openbox", {"--sm-disable"});
            ASSERT_TRUE(newWindowManager.waitForStarted());
            // A window manager taking over a dozen windows on a busy machine
            // may need more than the usual few seconds.
            ASSERT_TRUE(eventually(
                [&] {
                    reader.read();
                    return reader.managed();
                },
                std::chrono::seconds(30)));
        } else if (kind == 0 || (kind == 1 && windows.size() < 12)) {
            const bool deletable = pick(4) != 0;
            xcb_window_t w = client.create(uint16_t(60 + pick(200)), uint16_t(40 + pick(150)),
                                           deletable, int16_t(pick(800)), int16_t(pick(600)));
            if (pick(2))
                client.setUtf8Title(w, "Fenêtre " + std::to_string(step) + " - Navigateur");
            else
                client.setLatin1Title(w, "Fen\xeatre " + std::to_string(step));
            if (pick(5) == 0) {
                uint32_t shadow[4] = {uint32_t(pick(20)), uint32_t(pick(20)), uint32_t(pick(20)),
                                      uint32_t(pick(20))};
                client.set(w, client.atom("_GTK_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, shadow, 4);
            }
            client.map(w);
            windows.push_back(w);
            done = "create and map";
        } else if (kind == 1) {
            xcb_window_t w = anyWindow();
            client.destroy(w);
            windows.erase(std::find(windows.begin(), windows.end(), w));
            done = "destroy";
        } else if (kind == 2) {
            client.map(anyWindow());
            done = "map";
        } else if (kind == 3) {
            client.withdraw(anyWindow());
            done = "unmap (withdraw)";
        } else if (kind == 4) {
            client.iconify(anyWindow());
            done = "iconify";
        } else if (kind == 5) {
            client.setUtf8Title(anyWindow(), "Titre ☃ " + std::to_string(step));
            done = "retitle _NET_WM_NAME";
        } else if (kind == 6) {
            client.setLatin1Title(anyWindow(), "Ancien titre \xe9 " + std::to_string(step));
            done = "retitle WM_NAME";
        } else if (kind == 7) {
            xcb_delete_property(client.c, anyWindow(), client.atom("_NET_WM_NAME"));
            xcb_flush(client.c);
            done = "drop _NET_WM_NAME";
        } else if (kind == 8) {
            uint32_t size[] = {uint32_t(50 + pick(300)), uint32_t(40 + pick(200))};
            xcb_configure_window(client.c, anyWindow(),
                                 XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
            xcb_flush(client.c);
            done = "resize";
        } else if (kind == 9 || kind == 10) {
            // The window manager moves its frame; the client itself stays
            // where it is inside it.
            uint32_t place[] = {uint32_t(pick(900)), uint32_t(pick(700))};
            xcb_configure_window(client.c, anyWindow(), XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y,
                                 place);
            xcb_flush(client.c);
            done = "move";
        } else if (kind == 11 || kind == 12) {
            client.raise(anyWindow());
            done = "raise";
        } else if (kind == 13) {
            // Only ever gained: openbox kills the client of a window that it
            // is asked to close while it believes the window lacks it, and a
            // close request of the last comparison may still be on its way.
            xcb_window_t w = anyWindow();
            const xcb_atom_t deleteWindow = client.atom("WM_DELETE_WINDOW");
            client.set(w, client.atom("WM_PROTOCOLS"), XCB_ATOM_ATOM, &deleteWindow, 1);
            done = "WM_PROTOCOLS gains WM_DELETE_WINDOW";
        } else {
            uint32_t below = XCB_STACK_MODE_BELOW;
            xcb_configure_window(client.c, anyWindow(), XCB_CONFIG_WINDOW_STACK_MODE, &below);
            xcb_flush(client.c);
            done = "lower";
        }
        // The server has done the change before the desktop looks; a display
        // that went away would leave both sides empty, and equal.
        ASSERT_TRUE(client.exists(client.root))
            << "the test client has been cut off, step " << step << ": " << done;
        // The window manager answers in its own time; a wrong model stays
        // wrong however long it is given.
        ASSERT_TRUE(eventually(same, std::chrono::seconds(5)))
            << "seed " << seed << ", step " << step << ": " << done << "\nthe desktop:\n"
            << describe(ours) << "a fresh read:\n"
            << describe(fresh);
        comparedWindows += int(fresh.size());
    }
    EXPECT_TRUE(desktop->hasWindowManager());
    EXPECT_GE(comparedWindows, steps * 3) << "the run compares windows, not empty lists";
    newWindowManager.terminate();
    newWindowManager.waitForFinished();
}

// Round trips and requests of whole scan ticks on a display that holds n
// windows, half of them browser windows.
TEST(X11Events, AnIdleTickAsksTheServerNothingAndOneRetitledWindowCostsOneRoundTrip) {
    QTemporaryDir dir;
    test::X11Session session(dir.path().toStdString());
    ASSERT_FALSE(session.display().empty());
    test::X11Client client(session.display());
    auto desktop = X11Desktop::connect(session.display());
    ASSERT_TRUE(desktop);

    ScanWidgets w(" - Navigateur");
    CloseRules rules;
    rules.append(TCond{"Y", "N", "jamais vu", 0, 0});
    NoSound sound;
    ScanCycle scan(*desktop, rules, sound, w.controls(), [] { return WindowHandle(0); });

    std::vector<xcb_window_t> windows;
    for (int n : {100, 500}) {
        SCOPED_TRACE(std::to_string(n) + " windows");
        xcb_window_t last = 0;
        while (int(windows.size()) < n) {
            const int i = int(windows.size());
            last = client.create(40, 30, true, int16_t(i % 40 * 25), int16_t(i / 40 * 35));
            client.setUtf8Title(last, "Page " + std::to_string(i) +
                                          (i % 2 ? " - Navigateur" : " - Terminal"));
            client.map(last);
            windows.push_back(last);
        }
        ASSERT_TRUE(eventually([&] { return client.managed(last); }, std::chrono::seconds(60)));
        ASSERT_TRUE(test::waitUntilQuiet(session.display()));
        scan.Timer();
        ASSERT_EQ(w.lb1.count(), n / 2);

        const uint64_t requests = desktop->requests(), roundTrips = desktop->roundTrips();
        for (int tick = 0; tick < 5; ++tick)
            scan.Timer();
        EXPECT_EQ(desktop->requests() - requests, 0u);
        EXPECT_EQ(desktop->roundTrips() - roundTrips, 0u);
        EXPECT_EQ(w.lb1.count(), n / 2);

        client.setUtf8Title(windows[7], "Publicité - Navigateur");
        ASSERT_TRUE(test::waitUntilQuiet(session.display()));
        const uint64_t before = desktop->roundTrips();
        scan.Timer();
        EXPECT_EQ(desktop->roundTrips() - before, 1u);
        char title[64];
        desktop->GetWindowTextA(windows[7], title, sizeof title);
        EXPECT_STREQ(title, "Publicité - Navigateur");
        client.setUtf8Title(windows[7], "Page 7 - Navigateur");
        ASSERT_TRUE(test::waitUntilQuiet(session.display()));
    }
}

TEST(X11Events, ADisplayThatGoesAwayLeavesAnEmptyDesktopAndIsReportedOnce) {
    QTemporaryDir dir;
    auto session = std::make_unique<test::X11Session>(dir.path().toStdString());
    ASSERT_FALSE(session->display().empty());
    test::X11Client client(session->display());
    xcb_window_t w = client.create(100, 80);
    client.setUtf8Title(w, "Page - Navigateur");
    client.map(w);
    ASSERT_TRUE(eventually([&] { return client.managed(w); }));
    auto desktop = X11Desktop::connect(session->display());
    ASSERT_TRUE(desktop);
    ASSERT_EQ(answers(*desktop).size(), 1u);

    testing::internal::CaptureStderr();
    session.reset();
    for (int tick = 0; tick < 3; ++tick)
        EXPECT_TRUE(answers(*desktop).empty());
    EXPECT_FALSE(desktop->IsWindowVisible(w));
    EXPECT_EQ(desktop->PostClose(w), CloseRequest::Refused);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("lost"), std::string::npos) << said;
    EXPECT_EQ(said.find("lost"), said.rfind("lost")) << "said once: " << said;
}

// A client that ends frees its window ids, and the server gives them to the
// next client that connects: the new window behind an old id is another.
TEST(X11Events, AWindowIdThatComesBackIsANewWindowAndItsClosingCountsAgain) {
    QTemporaryDir dir;
    test::X11Session session(dir.path().toStdString());
    ASSERT_FALSE(session.display().empty());
    auto desktop = X11Desktop::connect(session.display());
    ASSERT_TRUE(desktop);
    auto titleOf = [&](WindowHandle h) {
        char title[256];
        desktop->GetWindowTextA(h, title, sizeof title);
        return std::string(title);
    };
    ScanWidgets w(" - Mozilla");
    CloseRules rules;
    rules.append(TCond{"Y", "N", "loto", 0, 0});
    NoSound sound;
    ScanCycle scan(*desktop, rules, sound, w.controls(), [] { return WindowHandle(0); });

    xcb_window_t first = 0;
    {
        test::X11Client client(session.display());
        first = client.create(200, 150);
        client.setLatin1Title(first, "Super loto - Mozilla");
        client.map(first);
        ASSERT_TRUE(eventually([&] { return client.managed(first); }));
        answers(*desktop);
        EXPECT_EQ(titleOf(first), "Super loto - Mozilla");
        ASSERT_TRUE(eventually([&] {
            scan.Timer();
            return w.lNbre.text() == "1";
        }));
    }
    // No tick between the first program's end and the second's window: only
    // the server's word that the first window was destroyed tells them apart.
    test::X11Client client(session.display());
    xcb_window_t second = client.create(200, 150);
    client.setLatin1Title(second, "Loto du jour - Mozilla");
    client.map(second);
    ASSERT_TRUE(eventually([&] { return client.managed(second); }));
    EXPECT_EQ(second, first) << "the server gave the id again";
    EXPECT_TRUE(eventually([&] { return titleOf(second) == "Loto du jour - Mozilla"; }));
    EXPECT_TRUE(eventually([&] {
        scan.Timer();
        return w.lNbre.text() == "2";
    })) << "the second pop-up was closed without being counted";
    client.setLatin1Title(second, "Poker 2 - Mozilla");
    EXPECT_TRUE(eventually([&] { return titleOf(second) == "Poker 2 - Mozilla"; }));
}
