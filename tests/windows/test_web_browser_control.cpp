// The update page's browser: the system's WebBrowser control in the page
// area. Under Wine the control is made and navigates but draws nothing (no
// Gecko), so what is tested is where it lives and what it was asked.
#include "update/system_page_browser.h"
#include "update/web_browser_control.h"
#include "windows_test_support.h"

#include <QWidget>
#include <exdisp.h>
#include <gtest/gtest.h>

using namespace vornel;
using namespace vornel::test;

namespace {

struct ChildSearch {
    HWND parent;
    int found = 0;
};

} // namespace

TEST(WebBrowserControl, IsMadeInThePageAreaOnRequestAndNavigates) {
    QWidget window;
    window.resize(500, 400);
    auto* area = new QWidget(&window);
    area->setGeometry(20, 30, 400, 300);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.isVisible(); }));

    std::unique_ptr<PageBrowser> page = makeSystemPageBrowser(area);
    auto* control = dynamic_cast<WebBrowserControl*>(page.get());
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->parentWidget(), area);
    EXPECT_EQ(control->geometry(), area->rect());
    ASSERT_NE(control->browser(), nullptr);

    // The control's own window sits inside ours, which sits inside the area's.
    const HWND host = reinterpret_cast<HWND>(control->winId());
    EXPECT_TRUE(IsChild(reinterpret_cast<HWND>(window.winId()), host));
    ChildSearch search{host};
    EnumChildWindows(
        host,
        [](HWND, LPARAM data) -> BOOL {
            ++reinterpret_cast<ChildSearch*>(data)->found;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    EXPECT_GT(search.found, 0) << "the control made no window in the page area";

    EXPECT_NO_THROW(page->Navigate(QStringLiteral("about:blank")));
    EXPECT_NO_THROW(
        page->Navigate(QStringLiteral("http://127.0.0.1:9/vornel/maj.php?v=2003.03&tmp=12345")));
    control->resize(300, 200);
    page.reset();
    EXPECT_FALSE(IsWindow(host));
}
