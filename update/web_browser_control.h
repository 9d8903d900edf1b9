#pragma once

#include "update/page_browser.h"

#include <QWidget>
#include <guiddef.h>

struct IWebBrowser2;

namespace vornel {

class BrowserSite;

// The system's WebBrowser control (IWebBrowser2), made in place in a native
// child window that fills the page area. Qt has no ActiveX host for mingw, so
// the small container the control asks for is our own (BrowserSite).
class WebBrowserControl : public QWidget, public PageBrowser {
public:
    // Throws std::runtime_error when the control cannot be made, having given
    // back what it took. control: the class to make, for the tests.
    explicit WebBrowserControl(QWidget* area, const CLSID& control);
    explicit WebBrowserControl(QWidget* area);
    ~WebBrowserControl() override;

    void Navigate(const QString& address) override;

    // The control itself, for the tests.
    IWebBrowser2* browser() const { return browser_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void embed(const CLSID& control);
    void release();

    bool oleCounted_ = false;
    BrowserSite* site_ = nullptr;
    IWebBrowser2* browser_ = nullptr;
};

} // namespace vornel
