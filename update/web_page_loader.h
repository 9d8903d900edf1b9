#pragma once

#include "update/page_browser.h"

#include <QString>

namespace vornel {

// The web engine lives in a module of its own (libvornel_webpage.so) that is
// loaded on the first request: linked into the program, it would cost its
// memory, and the OpenGL context it shares, from the start even when the
// update page is never asked for.
QString webPageModulePath();

// Loads the module (once) and makes its browser inside area. Throws
// std::runtime_error when the module cannot be loaded.
std::unique_ptr<PageBrowser> loadWebPageBrowser(QWidget* area,
                                                const QString& modulePath = webPageModulePath());

} // namespace vornel
