#include "blocking/desktops/window_model.h"

#include "common/text.h"

#include <algorithm>
#include <cstring>

namespace vornel {

WindowHandle WindowModel::GetWindow(WindowHandle from, unsigned command) {
    if (command == GW_HWNDFIRST) return order_.empty() ? 0 : order_.front();
    if (command != GW_HWNDNEXT) return 0;
    auto it = position_.find(from);
    if (it == position_.end() || it->second + 1 >= order_.size()) return 0;
    return order_[it->second + 1];
}

bool WindowModel::IsWindowVisible(WindowHandle window) {
    const ModelWindow* w = find(window);
    return w && w->visible;
}

bool WindowModel::IsIconic(WindowHandle window) {
    const ModelWindow* w = find(window);
    return w && w->iconic;
}

int WindowModel::GetWindowTextA(WindowHandle window, char* buffer, int maxCount) {
    if (maxCount <= 0) return 0;
    const ModelWindow* w = find(window);
    std::string_view title = w ? std::string_view(w->title) : std::string_view();
    title = cutUtf8(title, std::size_t(maxCount - 1));
    std::memcpy(buffer, title.data(), title.size());
    buffer[title.size()] = '\0';
    return int(title.size());
}

WindowRect WindowModel::GetWindowRect(WindowHandle window) {
    const ModelWindow* w = find(window);
    return w ? w->rect : WindowRect{};
}

bool WindowModel::PostClose(WindowHandle window) {
    return find(window) && requestClose(window);
}

bool WindowModel::sizeKnown(WindowHandle window) {
    const ModelWindow* w = find(window);
    return w && w->sizeKnown;
}

void WindowModel::beginWalk(bool) {
    update();
}

const ModelWindow* WindowModel::find(WindowHandle window) const {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second;
}

void WindowModel::setOrder(std::vector<WindowHandle> topFirst) {
    std::unordered_map<WindowHandle, ModelWindow> kept;
    order_.clear();
    for (WindowHandle h : topFirst) {
        if (h == 0 || kept.contains(h)) continue; // a list with repeats names each once
        auto it = windows_.find(h);
        kept.emplace(h, it == windows_.end() ? ModelWindow{} : std::move(it->second));
        order_.push_back(h);
    }
    windows_ = std::move(kept);
    reindex();
}

ModelWindow& WindowModel::entry(WindowHandle window) {
    auto [it, added] = windows_.try_emplace(window);
    if (added) {
        position_[window] = order_.size();
        order_.push_back(window);
    }
    return it->second;
}

void WindowModel::forget(WindowHandle window) {
    if (windows_.erase(window) == 0) return;
    order_.erase(std::find(order_.begin(), order_.end(), window));
    reindex();
}

void WindowModel::forgetAll() {
    windows_.clear();
    order_.clear();
    position_.clear();
}

void WindowModel::reindex() {
    position_.clear();
    for (std::size_t i = 0; i < order_.size(); ++i)
        position_[order_[i]] = i;
}

} // namespace vornel
