// The desktop over user32, against real top-level windows of this process.
#include "blocking/desktops/user32_desktop.h"
#include "windows_test_support.h"

#include <gtest/gtest.h>
#include <vector>

using namespace vornel;
using namespace vornel::test;

namespace {

std::vector<WindowHandle> walk(Desktop& desktop, WindowHandle own) {
    std::vector<WindowHandle> all;
    for (WindowHandle h = desktop.GetWindow(own, GW_HWNDFIRST); h != 0;
         h = desktop.GetWindow(h, GW_HWNDNEXT))
        all.push_back(h);
    return all;
}

bool contains(const std::vector<WindowHandle>& all, WindowHandle h) {
    return std::find(all.begin(), all.end(), h) != all.end();
}

std::string title(Desktop& desktop, WindowHandle h, int size = 5000) {
    std::vector<char> buffer(std::size_t(size), '\x7f');
    int length = desktop.GetWindowTextA(h, buffer.data(), size);
    EXPECT_EQ(buffer[std::size_t(length)], '\0');
    return std::string(buffer.data(), std::size_t(length));
}

} // namespace

TEST(User32Desktop, TheWalkSeesAWindowWithItsTitleRectangleAndState) {
    User32Desktop desktop;
    NativeWindow own("Vornel");
    NativeWindow pub("Pub - Microsoft Internet Explorer", {120, 80, 520, 380});
    ASSERT_TRUE(waitUntil([&] { return contains(walk(desktop, own.handle()), pub.handle()); }));
    // Walking from no window of ours finds the same windows.
    EXPECT_TRUE(contains(walk(desktop, 0), pub.handle()));

    EXPECT_TRUE(desktop.IsWindowVisible(pub.handle()));
    EXPECT_FALSE(desktop.IsIconic(pub.handle()));
    EXPECT_EQ(title(desktop, pub.handle()), "Pub - Microsoft Internet Explorer");
    WindowRect rect = desktop.GetWindowRect(pub.handle());
    EXPECT_EQ(rect.width(), 400);
    EXPECT_EQ(rect.height(), 300);

    ShowWindow(pub.hwnd(), SW_MINIMIZE);
    ASSERT_TRUE(waitUntil([&] { return desktop.IsIconic(pub.handle()); }));
    ShowWindow(pub.hwnd(), SW_HIDE);
    EXPECT_FALSE(desktop.IsWindowVisible(pub.handle()));
}

TEST(User32Desktop, TitlesAreUtf8AndCutOnlyBetweenCharacters) {
    User32Desktop desktop;
    // "é" is two bytes in UTF-8, "€" three, "😀" four (a surrogate pair).
    NativeWindow w("Pub \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 - Microsoft Internet");
    EXPECT_EQ(title(desktop, w.handle()),
              "Pub \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 - Microsoft Internet");
    // Room for "Pub " and one byte of "é": the "é" is left out whole.
    EXPECT_EQ(title(desktop, w.handle(), 6), "Pub ");
    EXPECT_EQ(title(desktop, w.handle(), 7), "Pub \xC3\xA9");
    // Inside the emoji's four bytes.
    EXPECT_EQ(title(desktop, w.handle(), 16), "Pub \xC3\xA9t\xC3\xA9 \xE2\x82\xAC ");
    EXPECT_EQ(title(desktop, w.handle(), 1), "");
}

TEST(User32Desktop, ACloseRequestClosesTheWindowAndAGoneWindowReadsEmpty) {
    User32Desktop desktop;
    NativeWindow pub("Pub test");
    const WindowHandle h = pub.handle();
    EXPECT_EQ(desktop.PostClose(h), CloseRequest::Sent);
    // The request is only queued: the window still exists until it is handled.
    EXPECT_TRUE(IsWindow(pub.hwnd()));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(pub.hwnd()); }));

    EXPECT_FALSE(desktop.IsWindowVisible(h));
    EXPECT_FALSE(desktop.IsIconic(h));
    EXPECT_EQ(title(desktop, h), "");
    EXPECT_EQ(desktop.GetWindowRect(h), WindowRect{});
    EXPECT_EQ(desktop.PostClose(h), CloseRequest::Refused);
    EXPECT_FALSE(contains(walk(desktop, 0), h));
}
