#pragma once

#include "blocking/desktop.h"

#include <string>

namespace vornel {

// The Windows desktop itself: each call is the user32 function of its name,
// made on the window handle as it is (64-bit Windows keeps window handles to
// 32 significant bits, sign-extended, so the stored value is the whole handle).
//
// Titles are read as UTF-16 (GetWindowTextW) and handed on in UTF-8, the
// encoding of the rules and the settings on every platform; GetWindowTextA
// would turn every character outside the ANSI code page into "?".
class User32Desktop : public Desktop {
public:
    WindowHandle GetWindow(WindowHandle from, unsigned command) override;
    bool IsWindowVisible(WindowHandle window) override;
    bool IsIconic(WindowHandle window) override;
    int GetWindowTextA(WindowHandle window, char* buffer, int maxCount) override;
    WindowRect GetWindowRect(WindowHandle window) override;
    CloseRequest PostClose(WindowHandle window) override;
};

// UTF-16 to UTF-8, cut to at most maxBytes bytes, never inside a character.
std::string utf8Prefix(const wchar_t* text, int length, int maxBytes);

} // namespace vornel
