#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Text helpers shared by every subsystem. Text is bytes (UTF-8 on Linux);
// only the ASCII letters A to Z are ever case-folded.
namespace vornel {

// A whole number as the program reads every number it stores or shows:
// leading blanks, then an optional sign and decimal digits within the signed
// 32-bit range, or a hexadecimal number introduced by $, x, X, 0x or 0X (up
// to eight digits, taken as the 32-bit pattern). Nothing may follow.
std::optional<int32_t> parseWholeNumber(std::string_view text);
int32_t wholeNumberOr(std::string_view text, int32_t fallback);

// A window handle as the candidate list stores it: the unsigned decimal text
// of a 32-bit value. Handles above 2147483647 must come back unchanged, which
// the signed reading above would refuse; 0 when the text is not a handle.
uint32_t parseHandle(std::string_view text);

char asciiLower(char c);
std::string asciiLower(std::string_view text);

// Removes every character with a code of 32 or less from both ends.
std::string_view trimControl(std::string_view text);

// Substring search in which an empty pattern is never found.
bool containsText(std::string_view haystack, std::string_view needle);
std::string_view::size_type findText(std::string_view haystack, std::string_view needle);

// Cuts a UTF-8 text to at most maxBytes bytes without splitting a sequence.
std::string_view cutUtf8(std::string_view text, std::size_t maxBytes);

} // namespace vornel
