#pragma once

#include "blocking/tcond.h"

#include <array>
#include <string>
#include <string_view>

// A closing rule as the settings file stores it: title mode, title text, size
// mode, width and height joined by commas, "Y,casino,N,1,1".
namespace vornel {

// Splits a text on one separator byte into exactly 101 pieces. With more than
// 100 separators every field from the 101st on lands in the last piece in
// turn, so that piece ends up with the text's last field.
std::array<std::string, 101> Decoupe(std::string_view text, char separator);

std::string ruleValue(const TCond& rule);

// The rule as the save stores it: when ruleValue would exceed the profile
// value limit, the end of the title is cut (never inside a UTF-8 sequence)
// rather than letting the load cut the fields after it, so the rule loads
// back valid and stays the same over any number of saves. Only mode texts
// that no editor makes, too long to fit with an empty title, are cut too.
TCond ruleThatFits(TCond rule);

// A title made from a real window may hold commas, and the stored form has no
// quoting: the title is everything between the first comma and the third
// comma from the end. Values with four commas or fewer read as Decoupe cuts
// them; a missing or non-numeric size reads as 0.
TCond ruleFromValue(std::string_view value);

} // namespace vornel
