#include "settings/text_lines.h"

#include <QString>
#include <algorithm>

namespace vornel {

std::vector<std::string_view> textLines(std::string_view text) {
    // Every mark at the start goes: a file saved twice by an editor that adds
    // one may carry two, and one left in would come back at the start of the
    // next read, so that a file written back would not read the same.
    while (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
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

std::optional<std::string> textOfFile(std::string_view bytes) {
    const bool little = bytes.starts_with("\xFF\xFE"), big = bytes.starts_with("\xFE\xFF");
    if (!little && !big) {
        if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
        return std::string(bytes);
    }
    bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0) return std::nullopt;
    QString text(qsizetype(bytes.size() / 2), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto first = uchar(bytes[std::size_t(2 * i)]);
        const auto second = uchar(bytes[std::size_t(2 * i + 1)]);
        text[i] = QChar(little ? char16_t(first | second << 8) : char16_t(first << 8 | second));
    }
    if (!text.isValidUtf16() || text.contains(QChar(u'\0'))) return std::nullopt;
    return text.toStdString();
}

} // namespace vornel
