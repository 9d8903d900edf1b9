#include "blocking/desktops/window_model.h"

#include "common/log_categories.h"
#include "common/text.h"

#include <algorithm>
#include <cstring>

namespace vornel {

namespace {
// Long enough for one tick's reads on a slow machine, short enough that a
// call from elsewhere soon after a tick still takes in what has arrived.
constexpr auto HintLifetime = std::chrono::milliseconds(100);
} // namespace

WindowHandle WindowModel::GetWindow(WindowHandle from, unsigned command) {
    if (command == GW_HWNDFIRST) {
        if (!walkTakenIn_) update();
        walkTakenIn_ = false;
        walk_ = order_;
        walkIndex_ = 0;
        return walk_.empty() ? 0 : walk_.front();
    }
    if (command != GW_HWNDNEXT) return 0;
    if (walkIndex_ >= walk_.size() || walk_[walkIndex_] != from) {
        auto it = std::find(walk_.begin(), walk_.end(), from);
        if (it == walk_.end()) return 0;
        walkIndex_ = std::size_t(it - walk_.begin());
    }
    ++walkIndex_;
    return walkIndex_ < walk_.size() ? walk_[walkIndex_] : 0;
}

bool WindowModel::IsWindowVisible(WindowHandle window) {
    const ModelWindow* w = current(window, Visible);
    return w && w->visible;
}

bool WindowModel::IsIconic(WindowHandle window) {
    const ModelWindow* w = current(window, Iconic);
    return w && w->iconic;
}

int WindowModel::GetWindowTextA(WindowHandle window, char* buffer, int maxCount) {
    if (maxCount <= 0) return 0;
    const ModelWindow* w = current(window, Title);
    std::string_view title = w ? std::string_view(w->title) : std::string_view();
    title = cutUtf8(title, std::size_t(maxCount - 1));
    std::memcpy(buffer, title.data(), title.size());
    buffer[title.size()] = '\0';
    return int(title.size());
}

WindowRect WindowModel::GetWindowRect(WindowHandle window) {
    const ModelWindow* w = current(window, Rect);
    return w ? w->rect : WindowRect{};
}

CloseRequest WindowModel::PostClose(WindowHandle window) {
    return current(window, Close) ? requestClose(window) : CloseRequest::Refused;
}

bool WindowModel::sizeKnown(WindowHandle window) {
    const ModelWindow* w = find(window);
    return w && w->sizeKnown;
}

void WindowModel::beginWalk(bool) {
    update();
    walkTakenIn_ = true;
    hinted();
    walkHint_ = hint_;
}

void WindowModel::rereadWindows(std::span<const WindowHandle> windows) {
    update();
    hinted();
    for (WindowHandle w : windows)
        if (auto it = windows_.find(w); it != windows_.end()) it->second.rereadIn = hint_;
}

void WindowModel::hinted() {
    ++hint_;
    hintTime_ = std::chrono::steady_clock::now();
}

const ModelWindow* WindowModel::current(WindowHandle window, Answer answer) {
    auto it = windows_.find(window);
    if (it == windows_.end() || !readAhead(it->second, answer)) {
        update();
        it = windows_.find(window);
        if (it == windows_.end()) return nullptr;
    }
    it->second.servedAfter[answer] = hint_;
    return &it->second.window;
}

bool WindowModel::readAhead(const Slot& slot, Answer answer) const {
    if (slot.servedAfter[answer] == hint_) return false;
    const bool walked = walkHint_ == hint_, reread = slot.rereadIn == hint_;
    const bool named = answer == Visible || answer == Iconic ? walked
                       : answer == Rect                      ? reread
                                                             : walked || reread;
    return named && std::chrono::steady_clock::now() - hintTime_ < HintLifetime;
}

const ModelWindow* WindowModel::find(WindowHandle window) const {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second.window;
}

void WindowModel::setOrder(std::vector<WindowHandle> topFirst) {
    changesArrived();
    std::unordered_map<WindowHandle, Slot> kept;
    order_.clear();
    for (WindowHandle h : topFirst) {
        if (h == 0 || kept.contains(h)) continue; // a list with repeats names each once
        auto it = windows_.find(h);
        kept.emplace(h, it == windows_.end() ? Slot{} : std::move(it->second));
        order_.push_back(h);
    }
    windows_ = std::move(kept);
}

// Handed out to be written: the entry counts as changed.
ModelWindow& WindowModel::entry(WindowHandle window) {
    changesArrived();
    auto [it, added] = windows_.try_emplace(window);
    if (added) order_.push_back(window);
    return it->second.window;
}

void WindowModel::forget(WindowHandle window) {
    if (windows_.erase(window) == 0) return;
    changesArrived();
    order_.erase(std::find(order_.begin(), order_.end(), window));
}

// Told even of an empty table: a desktop that has lost its window system
// forgets all on every update, and each is a tick that tries again.
void WindowModel::forgetAll() {
    changesArrived();
    windows_.clear();
    order_.clear();
}

void WindowModel::watchNotice(std::function<void(const std::string&)> changed) {
    noticeChanged_ = std::move(changed);
}

bool WindowModel::watchChanges(std::function<void()> changed) {
    changesWatcher_ = std::move(changed);
    return true;
}

void WindowModel::changesArrived() {
    if (changesWatcher_) changesWatcher_();
}

void WindowModel::setNotice(std::string notice) {
    ownNotice_ = std::move(notice);
    tellNotice();
}

void WindowModel::setSideNotice(std::string notice) {
    sideNotice_ = std::move(notice);
    tellNotice();
}

void WindowModel::tellNotice() {
    std::string notice = ownNotice_.empty()    ? sideNotice_
                         : sideNotice_.empty() ? ownNotice_
                                               : ownNotice_ + ' ' + sideNotice_;
    if (notice == notice_) return;
    notice_ = std::move(notice);
    if (noticeChanged_)
        noticeChanged_(notice_);
    else if (!notice_.empty())
        qCWarning(lcDesktop, "%s", notice_.c_str());
}

} // namespace vornel
