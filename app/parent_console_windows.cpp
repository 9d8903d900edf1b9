#include "app/parent_console.h"

#include <iostream>
#include <streambuf>
#include <string>
#include <windows.h>

namespace vornel {

namespace {

// How many bytes of text end with a whole UTF-8 sequence: a sequence cut
// between two writes waits for its end.
std::size_t wholeSequences(const std::string& text) {
    std::size_t start = text.size();
    for (int back = 0; start > 0 && back < 4; ++back) {
        const auto byte = static_cast<unsigned char>(text[start - 1]);
        if ((byte & 0xc0) != 0x80) {
            const std::size_t length = byte < 0x80 ? 1 : byte >= 0xf0 ? 4 : byte >= 0xe0 ? 3 : 2;
            return text.size() - (start - 1) >= length ? text.size() : start - 1;
        }
        --start;
    }
    return text.size();
}

// Writes the program's UTF-8 to a console in UTF-16.
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
        pending_.append(text, std::size_t(n));
        const std::size_t whole = wholeSequences(pending_);
        const int wide = MultiByteToWideChar(CP_UTF8, 0, pending_.data(), int(whole), nullptr, 0);
        std::wstring converted(std::size_t(wide), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, pending_.data(), int(whole), converted.data(), wide);
        pending_.erase(0, whole);
        DWORD written = 0;
        if (wide > 0 && !WriteConsoleW(console_, converted.data(), DWORD(wide), &written, nullptr))
            return 0;
        return n;
    }

private:
    HANDLE console_;
    std::string pending_;
};

bool hasStream(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

// A console handle the standard stream writes to, or none when it goes to
// a pipe or a file. The C library has no stream for a handle that was not
// there at start: a borrowed console is opened anew.
HANDLE consoleOf(DWORD which, bool borrowed) {
    if (borrowed) {
        return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    const HANDLE handle = GetStdHandle(which);
    return isConsole(handle) ? handle : INVALID_HANDLE_VALUE;
}

void writeToConsole(std::ostream& stream, HANDLE console) {
    if (console == INVALID_HANDLE_VALUE) return;
    // Never freed: the stream outlives main.
    stream.rdbuf(new ConsoleBuffer(console));
}

// Access is refused to a program that has a console already, as Wine gives
// one to a program started from a console program.
bool attachedToParentConsole() {
    return AttachConsole(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED;
}

} // namespace

void useConsoleWriter(bool borrowParentConsole) {
    const bool out = hasStream(STD_OUTPUT_HANDLE), err = hasStream(STD_ERROR_HANDLE);
    const bool borrow = borrowParentConsole && !(out && err) && attachedToParentConsole();
    writeToConsole(std::cout, consoleOf(STD_OUTPUT_HANDLE, borrow && !out));
    writeToConsole(std::cerr, consoleOf(STD_ERROR_HANDLE, borrow && !err));
}

// Looked up rather than linked: Windows before 10 1703 has no such call, and
// such a system measures in the primary monitor's pixels as before.
void measureInEachMonitorsPixels() {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    const auto set = reinterpret_cast<SetContext>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    if (set) set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

} // namespace vornel
