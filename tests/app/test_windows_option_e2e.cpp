// vornel --windows on an X display: the windows as the X11 desktop sees them,
// once, without touching a running instance.
#include "support/x11_client.h"
#include "support/x11_display.h"

#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

using namespace vornel::test;

TEST(WindowsOption, ListsTheXWindowsWithTheirStateSizeAndTitle) {
    const std::string display = testDisplay();
    ASSERT_FALSE(display.empty());
    X11Client client(display);
    const xcb_window_t shown = client.create(220, 140);
    client.setUtf8Title(shown, "Liste X - Mozilla");
    client.map(shown);
    const xcb_window_t minimised = client.create(160, 100);
    client.setUtf8Title(minimised, "Réduite - Mozilla");
    client.map(minimised);
    ASSERT_TRUE(eventually([&] { return client.managed(shown) && client.managed(minimised); }));
    client.iconify(minimised);
    // A title that would forge a line of its own and drive the terminal.
    const xcb_window_t hostile = client.create(120, 90);
    client.setUtf8Title(hostile, "Pub\tA\nforged\t1\t0\t9x9\tB\x1b]0;owned\x07 \\ \xc2\x9b"
                                 "2J fin");
    client.map(hostile);
    ASSERT_TRUE(eventually([&] { return client.managed(hostile); }));

    QProcess listing;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(display));
    for (const char* other : {"WAYLAND_DISPLAY", "SWAYSOCK", "I3SOCK", "VORNEL_DESKTOP"})
        env.remove(other);
    listing.setProcessEnvironment(env);
    QStringList lines;
    ASSERT_TRUE(eventually(
        [&] {
            listing.start(qEnvironmentVariable("VORNEL_BINARY"), {"--windows"});
            listing.waitForFinished(10000);
            lines =
                QString::fromUtf8(listing.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            return lines.join('\n').contains("\t1\t1\t");
        },
        std::chrono::seconds(10)))
        << "the minimised window never showed as such: " << lines.join('\n').toStdString();
    EXPECT_EQ(listing.exitCode(), 0);

    auto lineOf = [&](xcb_window_t w) {
        for (const QString& line : lines)
            if (line.section('\t', 0, 0) == QString::number(w)) return line.split('\t');
        return QStringList();
    };
    const QStringList first = lineOf(shown), second = lineOf(minimised);
    ASSERT_EQ(first.size(), 5) << lines.join('\n').toStdString();
    ASSERT_EQ(second.size(), 5) << lines.join('\n').toStdString();
    EXPECT_EQ(first[1], "1");
    EXPECT_EQ(first[2], "0");
    EXPECT_EQ(first[4], "Liste X - Mozilla");
    EXPECT_EQ(second[2], "1");
    EXPECT_EQ(second[4], "Réduite - Mozilla");
    // One line, escaped, and no control byte anywhere in the listing.
    const QStringList third = lineOf(hostile);
    ASSERT_EQ(third.size(), 5) << lines.join('\n').toStdString();
    EXPECT_EQ(third[4],
              "Pub\\tA\\nforged\\t1\\t0\\t9x9\\tB\\x1b]0;owned\\x07 \\\\ \\xc2\\x9b2J fin");
    for (const QString& line : lines)
        for (QChar c : line)
            EXPECT_TRUE(c == u'\t' || (c.unicode() >= 0x20 && c.unicode() != 0x7f &&
                                       (c.unicode() < 0x80 || c.unicode() >= 0xa0)))
                << "control character " << int(c.unicode()) << " in " << line.toStdString();
    // The outer size holds the window manager's frame around the 220 x 140.
    const QStringList size = first[3].split('x');
    EXPECT_GE(size.value(0).toInt(), 220) << first[3].toStdString();
    EXPECT_GT(size.value(1).toInt(), 140) << first[3].toStdString();
}
