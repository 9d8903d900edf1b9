#include "settings/ansi_code_page.h"

#include <array>

namespace vornel {

namespace {

// 0x80 to 0x9F; the five bytes that Windows-1252 leaves unassigned give the
// control characters of the same number, as Windows itself decodes them.
constexpr std::array<char16_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

std::string ansiToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        const char16_t c = b >= 0x80 && b < 0xA0 ? High[b - 0x80] : char16_t(b);
        if (c < 0x80) {
            text += char(c);
        } else if (c < 0x800) {
            text += char(0xC0 | c >> 6);
            text += char(0x80 | (c & 0x3F));
        } else {
            text += char(0xE0 | c >> 12);
            text += char(0x80 | (c >> 6 & 0x3F));
            text += char(0x80 | (c & 0x3F));
        }
    }
    return text;
}

} // namespace vornel
