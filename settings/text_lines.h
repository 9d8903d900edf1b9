#pragma once

#include <string_view>
#include <vector>

namespace vornel {

// The lines of a text file as people's editors leave it: a leading UTF-8
// byte-order mark (Windows Notepad writes one) is no part of the first line,
// and CR LF, LF and a lone CR (old Mac editors) each end a line. A line end
// at the very end of the text starts no further line.
std::vector<std::string_view> textLines(std::string_view text);

} // namespace vornel
