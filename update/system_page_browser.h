#pragma once

#include "update/page_browser.h"

namespace vornel {

// The platform's browser, made inside area on the first request of the page:
// the web engine module on Linux, the system's WebBrowser control on Windows.
// Throws std::runtime_error when there is none.
std::unique_ptr<PageBrowser> makeSystemPageBrowser(QWidget* area);

} // namespace vornel
