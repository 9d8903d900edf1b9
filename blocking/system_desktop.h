#pragma once

#include "blocking/desktop.h"

#include <memory>

namespace vornel {

// The desktop of the session the program runs in. When it cannot be reached,
// an empty desktop, so that the program still starts; that is said once on
// stderr.
std::unique_ptr<Desktop> openSystemDesktop();

} // namespace vornel
