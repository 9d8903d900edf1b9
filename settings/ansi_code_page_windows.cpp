#include "settings/ansi_code_page.h"

#include <climits>
#include <cstddef>
#include <windows.h>

namespace vornel {

namespace {

std::string utf8Of(const wchar_t* units, int count) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, units, count, nullptr, 0, nullptr, nullptr);
    std::string text(std::size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, units, count, text.data(), size, nullptr, nullptr);
    return text;
}

} // namespace

// The system's code page, which the older program's profile functions wrote in.
std::string ansiToUtf8(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > std::size_t(INT_MAX)) return {};
    const int length = int(bytes.size());
    const int count = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (count <= 0) return {};
    std::wstring units(std::size_t(count), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, units.data(), count);
    return utf8Of(units.data(), count);
}

} // namespace vornel
