#include "settings/ie_title.h"

namespace vornel {

std::string internetExplorerTitle(const std::string& windowTitleValue) {
    return windowTitleValue.empty() ? " - Microsoft Internet" : " - " + windowTitleValue;
}

// Linux has no Internet Explorer "Window Title" value: it reads as missing.
std::string internetExplorerTitle() {
    return internetExplorerTitle({});
}

} // namespace vornel
