#pragma once

#include <cstdint>
#include <optional>
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

// Sends the X window WM_DELETE_WINDOW, as a window manager does, when it
// lists it; false when it does not or XWayland cannot be asked. For a
// desktop whose own close would kill the program of such a window.
bool sendDeleteWindow(const std::string& display, uint32_t xWindow);

// Whether some managed X window with this title lacks WM_DELETE_WINDOW.
// Nothing when that cannot be known: a display is named ($DISPLAY when
// display is empty) but does not answer, or none is named while an XWayland
// of this user runs. False when no display is named and no XWayland of this
// user runs: there is no X window then, and none can be killed.
std::optional<bool> xWindowTitledLacksDeleteWindow(const std::string& display,
                                                   const std::string& title);

// For a window known to be an X window whose id KWin does not give, by the
// title KWin shows: whether XWayland holds at least one managed window that
// KWin shows with this title and every one of them lists WM_DELETE_WINDOW.
// KWin makes runs of blanks one and drops what does not print, so "Pub  X"
// is shown as "Pub X" too. False when XWayland cannot be asked.
bool xWindowsTitledListDeleteWindow(const std::string& display, const std::string& title);

} // namespace vornel
