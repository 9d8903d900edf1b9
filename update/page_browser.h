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
};

// Makes the browser inside the given area; throws std::runtime_error when
// there is no browser to make.
using PageBrowserFactory = std::function<std::unique_ptr<PageBrowser>(QWidget* area)>;

} // namespace vornel
