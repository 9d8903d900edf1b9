#include "blocking/desktops/x11_properties.h"

#include <algorithm>

namespace vornel::x11 {

namespace {

// Well-formed UTF-8 with at least one multi-byte sequence; a sequence cut
// short by the end of the text is allowed, since long titles arrive cut.
bool isMultibyteUtf8(std::string_view text) {
    bool multibyte = false;
    for (std::size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80                   ? 1
                             : lead >= 0xC2 && lead < 0xE0 ? 2
                             : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xF0 && lead < 0xF5 ? 4
                                                           : 0;
        if (length == 0) return false;
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        multibyte |= length > 1;
        i += length;
    }
    return multibyte;
}

std::string latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char ch : text) {
        auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x80) {
            out += ch;
        } else {
            out += char(0xC0 | (byte >> 6));
            out += char(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

// Compound text starts out as Latin-1 and switches character sets with escape
// sequences; UTF-8 runs arrive between ESC % G and ESC % @. Dropping the
// sequences keeps both kinds readable.
std::string withoutEscapes(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\x1b') {
            out += text[i];
            continue;
        }
        while (i + 1 < text.size() && text[i + 1] >= 0x20 && text[i + 1] <= 0x2F)
            ++i;
        ++i; // the final byte
    }
    return out;
}

} // namespace

std::string_view bytesOf(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 8) return {};
    return {static_cast<const char*>(xcb_get_property_value(reply)),
            std::size_t(xcb_get_property_value_length(reply))};
}

std::span<const uint32_t> longsOf(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 32) return {};
    return {static_cast<const uint32_t*>(xcb_get_property_value(reply)),
            std::size_t(xcb_get_property_value_length(reply)) / 4};
}

bool holds(std::span<const uint32_t> values, uint32_t value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// WM_NAME of type STRING is Latin-1 by the rules, but many older clients
// (xlogo among them) store their UTF-8 title there unchanged. Latin-1 text
// that also reads as multi-byte UTF-8 is all but unknown, so such a title is
// taken as the UTF-8 it plainly is.
std::string legacyTitle(std::string_view text) {
    return isMultibyteUtf8(text) ? std::string(text) : latin1ToUtf8(text);
}

std::string compoundTitle(std::string_view text) {
    return legacyTitle(withoutEscapes(text));
}

} // namespace vornel::x11
