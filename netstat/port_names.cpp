#include "netstat/port_names.h"

#include "common/text.h"

#include <fstream>
#include <optional>

namespace vornel {

namespace {

constexpr std::size_t MaxValueLength = 2047;

std::string_view withoutQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// "[name]" as a section header, nullopt for any other line.
std::optional<std::string> sectionName(std::string_view line) {
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return asciiLower(trimControl(line.substr(1, close - 1)));
}

} // namespace

std::vector<std::string> portNamesFromEntries(const std::vector<std::string>& entries) {
    std::vector<std::string> names(PortCount);
    for (std::string_view entry : entries) {
        auto equals = entry.find('=');
        if (equals == std::string_view::npos) continue;
        int32_t port = wholeNumberOr(entry.substr(0, equals), -1);
        if (port < 0 || port >= int32_t(PortCount)) continue;
        names[std::size_t(port)] = cutUtf8(entry.substr(equals + 1), MaxPortNameLength);
    }
    return names;
}

std::vector<std::string> readSectionEntries(const std::string& path, std::string_view section) {
    std::vector<std::string> entries;
    std::ifstream file(path, std::ios::binary);
    const std::string wanted = asciiLower(section);
    bool inSection = false;
    std::string line;
    while (std::getline(file, line)) {
        std::string_view text = trimControl(line);
        if (auto name = sectionName(text)) {
            inSection = *name == wanted;
            continue;
        }
        auto equals = text.find('=');
        if (!inSection || equals == std::string_view::npos || text.front() == ';') continue;
        std::string_view value = withoutQuotes(trimControl(text.substr(equals + 1)));
        entries.push_back(std::string(trimControl(text.substr(0, equals))) + "=" +
                          std::string(cutUtf8(value, MaxValueLength)));
    }
    return entries;
}

} // namespace vornel
