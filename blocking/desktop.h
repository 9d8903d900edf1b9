#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace vornel {

using WindowHandle = uint32_t; // 0 is no window

struct WindowRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool operator==(const WindowRect&) const = default;
};

// What became of a close request. Pending: the desktop must first hear from
// another program whether the window may be asked; the same request made
// again, once the desktop has told of a change, has the outcome.
enum class CloseRequest { Sent, Refused, Pending };
inline CloseRequest sentIf(bool sent) {
    return sent ? CloseRequest::Sent : CloseRequest::Refused;
}

constexpr unsigned GW_HWNDFIRST = 0;
constexpr unsigned GW_HWNDNEXT = 2;

// The desktop's top-level windows, as the scan and the rule editor see them.
// No call fails: a window that has gone away reads as invisible, with an empty
// title and a zero rectangle, and a close request to it does nothing.
class Desktop {
public:
    virtual ~Desktop() = default;

    // GW_HWNDFIRST: the topmost window (from is the caller's own window and is
    // otherwise unused); GW_HWNDNEXT: the window below from. 0 ends the walk.
    virtual WindowHandle GetWindow(WindowHandle from, unsigned command) = 0;
    virtual bool IsWindowVisible(WindowHandle window) = 0;
    virtual bool IsIconic(WindowHandle window) = 0;
    // Copies the title into buffer, cut to maxCount - 1 bytes (never inside a
    // UTF-8 sequence) and zero-terminated; returns its length.
    virtual int GetWindowTextA(WindowHandle window, char* buffer, int maxCount) = 0;
    virtual WindowRect GetWindowRect(WindowHandle window) = 0;
    // A polite close request; returns at once. Refused when it could not be
    // sent, or must not be (a window whose program would be killed).
    virtual CloseRequest PostClose(WindowHandle window) = 0;
    // False where the desktop cannot tell the window's size: GetWindowRect
    // then says nothing, and no rule with a size condition may hold.
    virtual bool sizeKnown(WindowHandle window) {
        (void)window;
        return true;
    }

    // Batching hints around one scan, so that a desktop behind a network
    // connection can send its requests together. They change no answer:
    // beginWalk comes before the first GetWindow of a walk, rereadWindows
    // before the candidates' titles and rectangles are read again.
    // minimisedAsked says whether the walk will call IsIconic; when it will
    // not, a desktop may leave out what only IsIconic needs.
    virtual void beginWalk(bool minimisedAsked = true) { (void)minimisedAsked; }
    virtual void rereadWindows(std::span<const WindowHandle> windows) { (void)windows; }

    // changed hears that a window may have appeared, gone, or changed its
    // title, size or visibility; the next walk finds out what. False when the
    // desktop cannot tell (it is asked on every tick instead): then changed
    // is never called.
    virtual bool watchChanges(std::function<void()> changed) {
        (void)changed;
        return false;
    }
    // gone hears the handle of a window that was destroyed. Where the window
    // system hands a freed handle to the next window, a window found later
    // under it is another; desktops whose handles are never given again need
    // not tell.
    virtual void watchGone(std::function<void(WindowHandle)> gone) { (void)gone; }

    // changed hears, in French (UTF-8), what the user must newly know about
    // this desktop while the program runs; empty when all works again. Most
    // desktops never change their mind and say nothing.
    virtual void watchNotice(std::function<void(const std::string&)> changed) { (void)changed; }
    // Whether the notice last told tells of something this run did (GNOME:
    // its extension set up for the next login), which deserves a message of
    // its own.
    virtual bool noticeTellsOfSetUp() const { return false; }
};

} // namespace vornel
