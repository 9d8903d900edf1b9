#pragma once

#include "blocking/desktop.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace vornel {

// What a desktop knows of one top-level window.
struct ModelWindow {
    std::string title; // UTF-8, whole; cut only when it is read
    WindowRect rect;   // outer rectangle, window frame included
    bool visible = true;
    bool iconic = false;
    bool sizeKnown = true; // false where the desktop cannot tell sizes
};

// A desktop that answers from a table of the top-level windows, kept current
// from the window system's events rather than asked again on every tick. Each
// window system feeds it in its own way; the scan only sees the Desktop calls,
// which never wait on the window system.
//
// beginWalk is where a desktop takes in what has changed since the last tick
// (update()); an idle desktop does nothing there. The order is top of the
// stacking order first.
class WindowModel : public Desktop {
public:
    WindowHandle GetWindow(WindowHandle from, unsigned command) override;
    bool IsWindowVisible(WindowHandle window) override;
    bool IsIconic(WindowHandle window) override;
    int GetWindowTextA(WindowHandle window, char* buffer, int maxCount) override;
    WindowRect GetWindowRect(WindowHandle window) override;
    bool PostClose(WindowHandle window) override;
    bool sizeKnown(WindowHandle window) override;
    void beginWalk(bool minimisedAsked = true) override;

    // The window as the model holds it; null for one it does not know.
    const ModelWindow* find(WindowHandle window) const;
    // Every window, top first.
    const std::vector<WindowHandle>& topFirst() const { return order_; }

protected:
    // Takes in the changes that arrived since the last call.
    virtual void update() {}
    // Sends the polite close request of the window system; false when it
    // could not be sent (or must not be: a window that would be killed).
    virtual bool requestClose(WindowHandle window) = 0;

    // The stacking order, top first; windows not in it are forgotten.
    void setOrder(std::vector<WindowHandle> topFirst);
    // The window's entry, added at the bottom when it is new.
    ModelWindow& entry(WindowHandle window);
    void forget(WindowHandle window);
    void forgetAll();

private:
    void reindex();

    std::vector<WindowHandle> order_;
    std::unordered_map<WindowHandle, std::size_t> position_;
    std::unordered_map<WindowHandle, ModelWindow> windows_;
};

} // namespace vornel
