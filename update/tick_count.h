#pragma once

#include <cstdint>

namespace vornel {

// Milliseconds since the machine started, as an unsigned 32-bit number: it
// wraps after about 49.7 days, as the tick count of the original platform.
uint32_t tickCount();

} // namespace vornel
