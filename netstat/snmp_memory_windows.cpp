// inetmib1.dll frees the names it replaces, and allocates what it hands back,
// with snmpapi.dll's allocator: our side must use the same one.
#include <windows.h>

extern "C" {
__declspec(dllimport) LPVOID WINAPI SnmpUtilMemAlloc(UINT bytes);
__declspec(dllimport) LPVOID WINAPI SnmpUtilMemReAlloc(LPVOID memory, UINT bytes);
__declspec(dllimport) VOID WINAPI SnmpUtilMemFree(LPVOID memory);
}

#include "netstat/snmp_api.h"

namespace vornel {

void* SnmpUtilMemAlloc(UINT bytes) {
    return ::SnmpUtilMemAlloc(bytes ? bytes : 1);
}

void* SnmpUtilMemReAlloc(void* memory, UINT bytes) {
    return ::SnmpUtilMemReAlloc(memory, bytes ? bytes : 1);
}

void SnmpUtilMemFree(void* memory) {
    ::SnmpUtilMemFree(memory);
}

} // namespace vornel
