// Our own agent and its callers share the C library's heap.
#include "netstat/snmp_api.h"

#include <cstdlib>

namespace vornel {

void* SnmpUtilMemAlloc(UINT bytes) {
    return std::calloc(1, bytes ? bytes : 1);
}

void* SnmpUtilMemReAlloc(void* memory, UINT bytes) {
    return std::realloc(memory, bytes ? bytes : 1);
}

void SnmpUtilMemFree(void* memory) {
    std::free(memory);
}

} // namespace vornel
