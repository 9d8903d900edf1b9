// The scan of the program over the user32 desktop: real windows of another
// kind than the test's, closed or listed as the rules say.
#include "blocking/alert_sound.h"
#include "blocking/close_rules.h"
#include "blocking/desktops/user32_desktop.h"
#include "support/scan_widgets.h"
#include "windows_test_support.h"

#include <gtest/gtest.h>

using namespace vornel;
using namespace vornel::test;

namespace {

class CountedSound : public AlertSound {
public:
    void play(const std::string& name) override { played.push_back(name); }
    std::vector<std::string> played;
};

} // namespace

TEST(User32Scan, ClosesTheWindowARuleNamesAndListsTheOtherBrowserWindow) {
    User32Desktop desktop;
    CloseRules rules;
    ASSERT_TRUE(rules.append(TCond{"Y", "N", "Pub test", 0, 0}));
    CountedSound sound;
    ScanWidgets widgets(QStringLiteral(" - Microsoft Internet"));
    widgets.eSon.setText(QStringLiteral("C:\\Vornel\\Vornel.wav"));
    NativeWindow own("Vornel 2003.03");
    ScanCycle scan(desktop, rules, sound, widgets.controls(), [&] { return own.handle(); });

    NativeWindow pub("Pub test - Microsoft Internet Explorer");
    NativeWindow news("Nouvelles du jour - Microsoft Internet Explorer");
    NativeWindow notBrowser("Pub test - Bloc-notes");
    scan.Timer();
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(pub.hwnd()); })) << "not closed";
    EXPECT_EQ(widgets.lTotal.text(), QStringLiteral("1"));
    EXPECT_TRUE(widgets.mLog.toPlainText().contains(QStringLiteral("Pub test")));
    EXPECT_EQ(sound.played, std::vector<std::string>{"C:\\Vornel\\Vornel.wav"});

    // The other browser window is a candidate, listed by its handle; the
    // window that is no browser's is neither closed nor listed.
    scan.Timer();
    ASSERT_EQ(widgets.lb1.count(), 1);
    EXPECT_EQ(widgets.lb1.item(0)->text(), QString::number(news.handle()));
    EXPECT_TRUE(IsWindow(news.hwnd()));
    EXPECT_TRUE(IsWindow(notBrowser.hwnd()));
    EXPECT_EQ(widgets.lTotal.text(), QStringLiteral("1"));
}
