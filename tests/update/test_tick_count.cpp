#include "update/tick_count.h"

#include <chrono>
#include <gtest/gtest.h>

namespace {

// The steady clock of the C++ library is CLOCK_MONOTONIC on Linux: the two
// must agree to the millisecond, cut to 32 bits the same way.
TEST(TickCount, IsMillisecondsSinceBootCutTo32Bits) {
    using namespace std::chrono;
    const auto reference = [] {
        return uint32_t(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
    const uint32_t before = reference();
    const uint32_t tick = vornel::tickCount();
    const uint32_t after = reference();
    EXPECT_LE(uint32_t(tick - before), uint32_t(after - before));
}

} // namespace
