#include "common/text.h"

namespace vornel {

namespace {

std::optional<uint32_t> parseHex(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        value = value << 4 | uint32_t(d);
    }
    return value;
}

std::optional<uint64_t> parseDecimal(std::string_view digits, uint64_t limit) {
    if (digits.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + uint64_t(c - '0');
        if (value > limit) return std::nullopt;
    }
    return value;
}

std::string_view skipBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return text;
}

} // namespace

std::optional<int32_t> parseWholeNumber(std::string_view text) {
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::string_view hex;
    if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X'))
        hex = text.substr(1);
    else if (text.starts_with("0x") || text.starts_with("0X"))
        hex = text.substr(2);
    if (hex.data() != nullptr) {
        auto value = parseHex(hex);
        if (!value) return std::nullopt;
        uint32_t bits = negative ? 0u - *value : *value;
        return static_cast<int32_t>(bits);
    }
    auto value = parseDecimal(text, negative ? 2147483648u : 2147483647u);
    if (!value) return std::nullopt;
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(*value))
                    : static_cast<int32_t>(*value);
}

int32_t wholeNumberOr(std::string_view text, int32_t fallback) {
    return parseWholeNumber(text).value_or(fallback);
}

uint32_t parseHandle(std::string_view text) {
    text = skipBlanks(text);
    if (auto value = parseDecimal(text, 4294967295u)) return static_cast<uint32_t>(*value);
    return static_cast<uint32_t>(wholeNumberOr(text, 0));
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}

std::string_view trimControl(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.remove_suffix(1);
    return text;
}

std::string_view::size_type findText(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return std::string_view::npos;
    return haystack.find(needle);
}

bool containsText(std::string_view haystack, std::string_view needle) {
    return findText(haystack, needle) != std::string_view::npos;
}

std::string_view cutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    // Step back over continuation bytes so the cut falls before a lead byte.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace vornel
