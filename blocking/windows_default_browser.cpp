// Windows: the title that the user's web browser's windows end with: the
// "Window Title" that Internet Explorer itself sets, else the suffix of the
// browser that the http association names.
#include "blocking/default_browser.h"

#include <QString>
#include <windows.h>

namespace vornel {

namespace {

struct KnownBrowser {
    const wchar_t* progIdPrefix;
    const char* titleSuffix;
};

// Each browser's http ProgId, some with a per-install tail ("FirefoxURL-
// 308046B0AF4A39CB", "ChromiumHTM.ABC"), and what it puts after the page's
// title. Firefox and the Chromium family build their titles in code shared by
// all their desktop systems; the Firefox and Chromium suffixes were read from
// real windows on Linux, the others are the ones their users report (Edge's
// holds a zero-width space). Beta and developer channels have ProgIds and
// names of their own and are not listed.
constexpr KnownBrowser KnownBrowsers[] = {
    {L"FirefoxURL", " \u2014 Mozilla Firefox"},
    {L"MSEdgeHTM", " - Microsoft\u200B Edge"},
    {L"ChromeHTML", " - Google Chrome"},
    {L"ChromiumHTM", " - Chromium"},
    {L"BraveHTML", " - Brave"},
    {L"VivaldiHTM", " - Vivaldi"},
};

// A string value of the current user's, as UTF-16; empty when missing.
std::wstring userValue(const wchar_t* key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return {};
    return value;
}

const char* suffixOfProgId(const std::wstring& progId) {
    for (const KnownBrowser& browser : KnownBrowsers)
        if (progId.starts_with(browser.progIdPrefix)) return browser.titleSuffix;
    return nullptr;
}

} // namespace

// Kept in UTF-8, as the titles it is compared with. With neither value, or
// a browser we do not know, " - Microsoft Internet".
std::string defaultBrowserTitle() {
    const std::wstring title =
        userValue(L"Software\\Microsoft\\Internet Explorer\\Main", L"Window Title");
    if (!title.empty()) return " - " + QString::fromStdWString(title).toStdString();
    const std::wstring progId = userValue(L"Software\\Microsoft\\Windows\\Shell\\Associations\\"
                                          L"UrlAssociations\\http\\UserChoice",
                                          L"ProgId");
    if (const char* suffix = suffixOfProgId(progId)) return suffix;
    return " - Microsoft Internet";
}

} // namespace vornel
