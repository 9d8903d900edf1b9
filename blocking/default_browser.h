#pragma once

#include <string>

namespace vornel {

// The text that ends the titles of the user's default web browser's windows,
// separator included (" — Mozilla Firefox"): the first browser name of a new
// user. " - Microsoft Internet" when no browser of ours can be found. Reads a
// few small files; runs no program.
std::string defaultBrowserTitle();

} // namespace vornel
