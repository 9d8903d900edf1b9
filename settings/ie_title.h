#pragma once

#include <string>

namespace vornel {

// The title suffix of Internet Explorer's windows: " - " and the user's
// "Window Title" value of Internet Explorer when it is set, else
// " - Microsoft Internet".
std::string internetExplorerTitle();

// The same from the value as read (empty when missing).
std::string internetExplorerTitle(const std::string& windowTitleValue);

} // namespace vornel
