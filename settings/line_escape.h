#pragma once

#include <string>
#include <string_view>

// Every stored value must stay on its own line of the settings file, yet a
// window title may hold a line break. Such a value is stored in the shell's
// ANSI-C quoting, $'first line\nsecond line', with \n, \r, \\ and \' as its
// only escapes. Every other value is stored as it is, so files written
// without line breaks keep their plain form. A value that itself holds the
// two characters $' is quoted too, which keeps a plain value from ever being
// taken for a quoted one.
namespace vornel {

std::string oneLineValue(std::string_view value);
std::string valueFromOneLine(std::string_view stored);

} // namespace vornel
