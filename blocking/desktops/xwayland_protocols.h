#pragma once

#include <cstdint>
#include <string>

namespace vornel {

// What a Wayland desktop must ask XWayland before it closes one of its
// windows: compositors close an X window that lacks WM_DELETE_WINDOW by
// killing its client, which the program never does. Each call opens a
// connection of its own to display ($DISPLAY when empty) for that one
// question, which comes only with a closing: a connection kept open would
// keep an idle XWayland from ending.

// Whether the X window lists WM_DELETE_WINDOW; false when XWayland cannot be
// asked.
bool listsDeleteWindow(const std::string& display, uint32_t xWindow);

// Whether some managed X window with this title lacks WM_DELETE_WINDOW; false
// when there is no XWayland to ask (no X window can then be killed).
bool xWindowTitledLacksDeleteWindow(const std::string& display, const std::string& title);

// For a window known to be an X window whose id the desktop does not give:
// whether XWayland shows at least one managed window with this title and
// every one of them lists WM_DELETE_WINDOW. False when it cannot be asked.
bool xWindowsTitledListDeleteWindow(const std::string& display, const std::string& title);

} // namespace vornel
