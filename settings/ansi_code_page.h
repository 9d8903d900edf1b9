#pragma once

#include <string>
#include <string_view>

namespace vornel {

// Text in the "ANSI" code page that the older Windows program wrote its
// files in, as UTF-8: the code page of the system on Windows, Windows-1252
// (Western European, the program's own) everywhere else. Every byte gives a
// character; none is lost.
std::string ansiToUtf8(std::string_view bytes);

} // namespace vornel
