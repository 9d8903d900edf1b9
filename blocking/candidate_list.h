#pragma once

#include "blocking/desktop.h"

#include <string>
#include <string_view>
#include <vector>

namespace vornel {

// Titles of candidate windows are read with this buffer, so at most 254 bytes.
constexpr int ShortTitleBufferSize = 255;

// The title of the window whose handle a candidate row holds, cut before the
// first browser name that occurs in it and trimmed. Names are tried in list
// order, so an earlier name decides even when a later one occurs sooner in the
// title. A title holding no name comes back whole and untrimmed; a row that is
// not a handle, or a window that has gone, gives the empty text.
std::string shortTitle(Desktop& desktop, std::string_view rowText,
                       const std::vector<std::string>& browserNames);

// The default browser names; ieTitle is the Internet Explorer title suffix
// found at start-up, empty when none was set.
std::vector<std::string> defaultBrowserNames(const std::string& ieTitle);

} // namespace vornel
