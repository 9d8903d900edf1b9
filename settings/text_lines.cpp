#include "settings/text_lines.h"

#include <algorithm>

namespace vornel {

std::vector<std::string_view> textLines(std::string_view text) {
    // Every mark at the start goes: a file saved twice by an editor that adds
    // one may carry two, and one left in would come back at the start of the
    // next read, so that a file written back would not read the same.
    while (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find_first_of("\r\n");
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(0, end));
        std::size_t next = end + 1;
        if (text.substr(end).starts_with("\r\n")) ++next;
        text.remove_prefix(std::min(next, text.size()));
    }
    return lines;
}

} // namespace vornel
