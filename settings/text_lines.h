#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vornel {

// The lines of a text file as people's editors leave it: a leading UTF-8
// byte-order mark (Windows Notepad writes one) is no part of the first line,
// and CR LF, LF and a lone CR (old Mac editors) each end a line. A line end
// at the very end of the text starts no further line.
std::vector<std::string_view> textLines(std::string_view text);

// A text file's bytes as UTF-8 text. A file with a UTF-16 byte-order mark
// (Notepad's "Unicode", little- or big-endian) is converted; so is one
// without a mark that is not UTF-8, read in the code page the older Windows
// program wrote (ansi_code_page.h); any other is taken as it is. Nothing
// when the bytes are no text: UTF-16 that does not decode, or a NUL
// character, which no text file holds (UTF-16 without its mark, a binary
// file).
std::optional<std::string> textOfFile(std::string_view bytes);

// Whether the bytes are well-formed UTF-8: no overlong form, no surrogate,
// nothing past U+10FFFF. Plain ASCII is.
bool isUtf8(std::string_view bytes);

} // namespace vornel
