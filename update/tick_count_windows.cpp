#include "update/tick_count.h"

#include <windows.h>

namespace vornel {

uint32_t tickCount() {
    return GetTickCount();
}

} // namespace vornel
