#pragma once

namespace vornel {

// On Windows the program prints UTF-8: a console is written in UTF-16, so
// that accents show whatever its code page, and a pipe or a file is given
// the UTF-8 bytes as they stand. Elsewhere the streams are left as they are.
//
// A program of the windows subsystem started from a console is given none:
// what the one-shot options print would go nowhere. borrowParentConsole
// sends std::cout and std::cerr to the console it was started from, unless
// they were sent elsewhere (a pipe, a file), where they stay.
#ifdef _WIN32
void useConsoleWriter(bool borrowParentConsole);
#else
inline void useConsoleWriter(bool) {}
#endif

// The one-shot options measure windows as the resident does, in the pixels
// of each window's own monitor; Qt makes the resident so itself when its
// application starts, and is then not to find it done already.
#ifdef _WIN32
void measureInEachMonitorsPixels();
#else
inline void measureInEachMonitorsPixels() {}
#endif

} // namespace vornel
