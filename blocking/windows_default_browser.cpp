// Windows: the title that Internet Explorer's windows end with, from the
// user's "Window Title" value, as Internet Explorer itself sets it.
#include "blocking/default_browser.h"

#include <QString>
#include <windows.h>

namespace vornel {

// Read as UTF-16 and kept in UTF-8, as the titles it is compared with. A
// missing key or value, or an empty one, gives " - Microsoft Internet".
std::string defaultBrowserTitle() {
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    LSTATUS status =
        RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Main",
                     L"Window Title", RRF_RT_REG_SZ, nullptr, value, &size);
    if (status != ERROR_SUCCESS || value[0] == 0) return " - Microsoft Internet";
    return " - " + QString::fromWCharArray(value).toStdString();
}

} // namespace vornel
