#pragma once

namespace vornel {

// A program of the windows subsystem started from a console is given none:
// what the one-shot options print would go nowhere. This sends std::cout and
// std::cerr to the console it was started from, unless they were sent
// elsewhere (a pipe, a file), where they stay. Nothing to do elsewhere.
#ifdef _WIN32
void useParentConsole();
#else
inline void useParentConsole() {}
#endif

} // namespace vornel
