#include "settings/ie_title.h"

#include <QString>
#include <windows.h>

namespace vornel {

std::string internetExplorerTitle(const std::string& windowTitleValue) {
    return windowTitleValue.empty() ? " - Microsoft Internet" : " - " + windowTitleValue;
}

// Read as UTF-16 and kept in UTF-8, as the titles it is compared with.
std::string internetExplorerTitle() {
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    LSTATUS status =
        RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Main",
                     L"Window Title", RRF_RT_REG_SZ, nullptr, value, &size);
    if (status != ERROR_SUCCESS) return internetExplorerTitle({});
    return internetExplorerTitle(QString::fromWCharArray(value).toStdString());
}

} // namespace vornel
