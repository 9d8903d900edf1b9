#pragma once

#include <cstdint>
#include <string>

namespace vornel {

// Whether the X window lists WM_DELETE_WINDOW in its WM_PROTOCOLS on the X
// display (an XWayland display, for the Wayland desktops: their compositors
// kill an X client whose window does not take the polite close). False when
// the display or the window cannot be reached, so that a window whose
// protocols nobody can read is never closed.
bool takesDeleteWindow(const std::string& display, uint32_t window);

} // namespace vornel
