#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace vornel {

// The browser of the update page. The only thing asked of it is to show an
// address inside the page area.
class PageBrowser {
public:
    virtual ~PageBrowser() = default;
    // Returns at once; the page loads in the background and an unreachable
    // server shows the browser's own error page. Throws std::runtime_error
    // when the address cannot be requested at all.
    virtual void Navigate(const QString& address) = 0;

    // Shows a page of ours, given as HTML, in place of whatever is shown.
    // A browser that cannot does nothing.
    virtual void showOwnPage(const QString& html) { (void)html; }

    // Runs when a requested address could not be reached (no network, no
    // server), once the browser's own error page is in: a browser that
    // cannot tell never runs it.
    std::function<void()> unreachable;
};

// Makes the browser inside the given area; throws std::runtime_error when
// there is no browser to make.
using PageBrowserFactory = std::function<std::unique_ptr<PageBrowser>(QWidget* area)>;

} // namespace vornel
