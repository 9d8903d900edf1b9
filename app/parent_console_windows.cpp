#include "app/parent_console.h"

#include <iostream>
#include <streambuf>
#include <string>
#include <windows.h>

namespace vornel {

namespace {

// Writes the program's 8-bit text (the ANSI code page, as toLocal8Bit gives
// it) to a console in UTF-16, so that accents show whatever the console's
// own code page.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}

protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return traits_type::not_eof(c);
        const char one = char(c);
        return xsputn(&one, 1) == 1 ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* text, std::streamsize n) override {
        const int wide = MultiByteToWideChar(CP_ACP, 0, text, int(n), nullptr, 0);
        std::wstring converted(std::size_t(wide), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text, int(n), converted.data(), wide);
        DWORD written = 0;
        if (!WriteConsoleW(console_, converted.data(), DWORD(wide), &written, nullptr)) return 0;
        return n;
    }

private:
    HANDLE console_;
};

bool hasStream(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

} // namespace

// The C library has no stream for a handle that was not there at start:
// the standard streams are given a buffer of their own over the console.
void useParentConsole() {
    const bool out = hasStream(STD_OUTPUT_HANDLE), err = hasStream(STD_ERROR_HANDLE);
    if (out && err) return;
    // Access is refused to a program that has a console already, as Wine
    // gives one to a program started from a console program.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return;
    const HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return;
    static ConsoleBuffer buffer(console);
    if (!out) std::cout.rdbuf(&buffer);
    if (!err) std::cerr.rdbuf(&buffer);
}

} // namespace vornel
