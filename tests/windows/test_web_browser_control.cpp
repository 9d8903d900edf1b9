// The update page's browser: the system's WebBrowser control in the page
// area. Under Wine the control is made and navigates but draws nothing (no
// Gecko), so what is tested is where it lives and what it was asked.
#include "update/system_page_browser.h"
#include "update/web_browser_control.h"
#include "windows_test_support.h"

#include <QWidget>
#include <exdisp.h>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace vornel;
using namespace vornel::test;

namespace {

struct ChildSearch {
    HWND parent;
    int found = 0;
};

// A class of the test's own that gives itself out as the browser but is no
// OLE object, so that the control's making fails half-way; it is its own
// class factory. Only its IUnknown part is ever called as the browser. It
// counts the references it hands out.
class NotABrowser : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IWebBrowser2 && iid != IID_IClassFactory)
            return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--references); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
        return QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    long references = 0;
};

// {6B1E6C6A-3F3B-4C55-9A44-0E5C1D2B7F11}
constexpr CLSID NotABrowserClass = {
    0x6b1e6c6a, 0x3f3b, 0x4c55, {0x9a, 0x44, 0x0e, 0x5c, 0x1d, 0x2b, 0x7f, 0x11}};

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

TEST(WebBrowserControl, AControlThatCannotBeMadeGivesBackWhatItTook) {
    NotABrowser notABrowser;
    DWORD registration = 0;
    ASSERT_EQ(CoRegisterClassObject(NotABrowserClass, static_cast<IClassFactory*>(&notABrowser),
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &registration),
              S_OK);
    const long registered = notABrowser.references;
    QWidget area;
    area.resize(300, 200);
    for (int click = 0; click < 3; ++click)
        EXPECT_THROW(WebBrowserControl control(&area, NotABrowserClass), std::runtime_error);
    EXPECT_EQ(notABrowser.references, registered) << "the half-made control kept its object";
    CoRevokeClassObject(registration);
}
