#include "e2e_session.h"

#include <csignal>
#include <gtest/gtest.h>

using namespace vornel::test;

namespace {

// A real XEmbed notification area on the display, at its top right corner.
class TrayHost {
public:
    TrayHost() {
        process_.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request",
                                  "--height", "32", "--SetDockType", "true", "--expand", "true"});
        process_.waitForStarted(5000);
        waitUntil([] { return !shownWindows("^trayer$").empty(); });
    }
    ~TrayHost() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) stop(process_);
    }

private:
    QProcess process_;
};

// The icon: the small vornel window inside the tray.
std::optional<ShownWindow> trayIcon() {
    for (const ShownWindow& w : shownWindows("vornel"))
        if (w.rect.width() <= 64 && w.rect.height() <= 64) return w;
    return std::nullopt;
}

// A vornel window that opened at the cursor: the menu.
std::optional<ShownWindow> menuAt(QPoint cursor) {
    for (const ShownWindow& w : shownWindows("vornel"))
        if (w.rect.width() > 64 && w.rect.adjusted(-3, -3, 3, 3).contains(cursor)) return w;
    return std::nullopt;
}

bool ended(QProcess& p, int ms = 15000) {
    return p.waitForFinished(ms);
}

// A press on the icon; apart enough from the last one not to make a double-click.
void press(const char* button) {
    QThread::msleep(700);
    run("xdotool", {"click", button});
}

} // namespace

TEST(EndToEnd, ASecondInstanceReplacesTheFirstWhichSavesAndExits) {
    VornelFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nAfficher=0\r\nTotal=41\r\n");
    auto first = folder.start();
    ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
    ASSERT_FALSE(QFile::exists(folder.file("vornel.log")));

    auto second = folder.start();
    EXPECT_TRUE(ended(*first));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
    // The first saved on its way out: the log file exists now.
    EXPECT_TRUE(QFile::exists(folder.file("vornel.log")));
    EXPECT_TRUE(folder.read("vornel.ini").contains("Total=41"));

    // The second runs on, with its window shown although the option is off.
    EXPECT_TRUE(waitUntil([] {
        for (const ShownWindow& w : shownWindows("vornel"))
            if (w.name.startsWith("Vornel 2003.03")) return true;
        return false;
    }));
    EXPECT_EQ(second->state(), QProcess::Running);
    second->terminate();
    EXPECT_TRUE(ended(*second));
    stop(*first);
    stop(*second);
}

TEST(EndToEnd, SigtermSavesAndEnds) {
    VornelFolder folder;
    auto program = folder.start();
    ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
    ASSERT_FALSE(QFile::exists(folder.file("vornel.ini")));
    ::kill(pid_t(program->processId()), SIGTERM);
    EXPECT_TRUE(ended(*program));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_TRUE(QFile::exists(folder.file("vornel.ini")));
    EXPECT_TRUE(QFile::exists(folder.file("vornel.log")));
    EXPECT_FALSE(folder.instanceListening());
    stop(*program);
}

TEST(EndToEnd, TheTrayIconOpensItsMenuOnALeftAndARightPress) {
    TrayHost host;
    VornelFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nAfficher=0\r\n");
    auto program = folder.start();
    std::optional<ShownWindow> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = trayIcon()).has_value(); }));
    const QPoint centre = icon->rect.center();

    for (const char* button : {"1", "3"}) {
        run("xdotool", {"mousemove", QString::number(centre.x()), QString::number(centre.y())});
        press(button);
        EXPECT_TRUE(waitUntil([&] { return menuAt(centre).has_value(); }, 5000))
            << "button " << button;
        run("xdotool", {"key", "Escape"});
        EXPECT_TRUE(waitUntil([&] { return !menuAt(centre).has_value(); }, 5000));
    }

    // The last item, "Quitter", ends the program and saves.
    press("3");
    ASSERT_TRUE(waitUntil([&] { return menuAt(centre).has_value(); }, 5000));
    run("xdotool", {"key", "Up", "Return"});
    EXPECT_TRUE(ended(*program));
    EXPECT_EQ(program->exitCode(), 0);
    EXPECT_TRUE(QFile::exists(folder.file("vornel.log")));
    EXPECT_FALSE(trayIcon().has_value());
    stop(*program);
}
