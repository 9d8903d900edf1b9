#include "blocking/scripted_desktop.h"

#include "common/text.h"

#include <algorithm>
#include <cstring>

namespace vornel {

WindowHandle ScriptedDesktop::add(const std::string& title, WindowRect rect) {
    Window w;
    w.handle = nextHandle_++;
    w.title = title;
    w.rect = rect;
    windows_.push_back(w);
    return w.handle;
}

ScriptedDesktop::Window* ScriptedDesktop::find(WindowHandle handle) {
    auto it = std::find_if(windows_.begin(), windows_.end(),
                           [&](const Window& w) { return w.handle == handle; });
    return it == windows_.end() ? nullptr : &*it;
}

void ScriptedDesktop::remove(WindowHandle handle) {
    std::erase_if(windows_, [&](const Window& w) { return w.handle == handle; });
}

WindowHandle ScriptedDesktop::GetWindow(WindowHandle from, unsigned command) {
    if (command == GW_HWNDFIRST) return windows_.empty() ? 0 : windows_.front().handle;
    if (command != GW_HWNDNEXT) return 0;
    for (std::size_t i = 0; i + 1 < windows_.size(); ++i)
        if (windows_[i].handle == from) return windows_[i + 1].handle;
    return 0;
}

bool ScriptedDesktop::IsWindowVisible(WindowHandle window) {
    const Window* w = find(window);
    return w && w->visible;
}

bool ScriptedDesktop::IsIconic(WindowHandle window) {
    const Window* w = find(window);
    return w && w->iconic;
}

int ScriptedDesktop::GetWindowTextA(WindowHandle window, char* buffer, int maxCount) {
    ++titleReads_;
    int length = 0;
    if (maxCount > 0) {
        const Window* w = find(window);
        std::string_view title =
            w ? cutUtf8(w->title, std::size_t(maxCount - 1)) : std::string_view{};
        std::memcpy(buffer, title.data(), title.size());
        buffer[title.size()] = '\0';
        length = int(title.size());
    }
    if (afterTitleRead) afterTitleRead(window);
    return length;
}

WindowRect ScriptedDesktop::GetWindowRect(WindowHandle window) {
    const Window* w = find(window);
    return w ? w->rect : WindowRect{};
}

CloseRequest ScriptedDesktop::PostClose(WindowHandle window) {
    Window* w = find(window);
    if (!w) return CloseRequest::Refused;
    if (w->pendingAnswers > 0) {
        --w->pendingAnswers;
        ++pendingCloses_;
        return CloseRequest::Pending;
    }
    if (!w->closable) {
        refusedCloses_.push_back(window);
        return CloseRequest::Refused;
    }
    closeRequests_.push_back(window);
    if (w->closesOnRequest) remove(window);
    return CloseRequest::Sent;
}

} // namespace vornel
