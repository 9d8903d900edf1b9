#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <xcb/xcb.h>

namespace vornel::x11 {

// A property's value as bytes (format 8) or as 32-bit values (format 32);
// empty for a missing property, another format or no reply.
std::string_view bytesOf(const xcb_get_property_reply_t* reply);
std::span<const uint32_t> longsOf(const xcb_get_property_reply_t* reply);
bool holds(std::span<const uint32_t> values, uint32_t value);

// The text of a WM_NAME of type STRING, in UTF-8.
std::string legacyTitle(std::string_view text);
// The text of a WM_NAME of type COMPOUND_TEXT, in UTF-8.
std::string compoundTitle(std::string_view text);

} // namespace vornel::x11
