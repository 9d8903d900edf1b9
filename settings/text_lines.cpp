#include "settings/text_lines.h"

#include "settings/ansi_code_page.h"

#include <algorithm>

namespace vornel {

std::vector<std::string_view> textLines(std::string_view text) {
    // Every mark at the start goes: a file saved twice by an editor that adds
    // one may carry two, and one left in would come back at the start of the
    // next read, so that a file written back would not read the same.
    while (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find_first_of("\r\n");
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(0, end));
        std::size_t next = end + 1;
        if (text.substr(end).starts_with("\r\n")) ++next;
        text.remove_prefix(std::min(next, text.size()));
    }
    return lines;
}

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12);
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18);
        out += char(0x80 | (c >> 12 & 0x3F));
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

// Without Qt: the settings fuzzer reads files through this too.
std::optional<std::string> textOfFile(std::string_view bytes) {
    const bool little = bytes.starts_with("\xFF\xFE"), big = bytes.starts_with("\xFE\xFF");
    if (!little && !big) {
        if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
        // A mark says UTF-8 whatever follows; without one, bytes that are no
        // UTF-8 come from the older program (é as the one byte E9).
        if (bytes.starts_with("\xEF\xBB\xBF") || isUtf8(bytes)) return std::string(bytes);
        return ansiToUtf8(bytes);
    }
    bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0) return std::nullopt;
    auto unit = [&](std::size_t i) -> char16_t {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        return little ? char16_t(first | second << 8) : char16_t(first << 8 | second);
    };
    std::string text;
    text.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t c = unit(i);
        if (c == 0 || (c >= 0xDC00 && c <= 0xDFFF)) return std::nullopt;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 == units) return std::nullopt;
            const char16_t low = unit(++i);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(text, c);
    }
    return text;
}

bool isUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // The second byte's range rules out overlong forms, surrogates and
        // what lies past U+10FFFF.
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (bytes.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
        }
        i += length;
    }
    return true;
}

} // namespace vornel
