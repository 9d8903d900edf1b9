#include "settings/profile_file.h"

#include "common/text.h"
#include "settings/line_escape.h"
#include "settings/text_lines.h"

#include <algorithm>

namespace vornel {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The name of a "[name]" line, or nothing for any other line.
bool sectionName(std::string_view line, std::string_view& name) {
    line = trimBlanks(line);
    if (!line.starts_with('[')) return false;
    auto close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = trimBlanks(line.substr(1, close - 1));
    return true;
}

// The key of a "key=value" line; comments (";") and lines without "=" have none.
bool keyName(std::string_view line, std::string_view& key) {
    auto equals = line.find('=');
    if (equals == std::string_view::npos || trimBlanks(line).starts_with(';')) return false;
    key = trimBlanks(line.substr(0, equals));
    return true;
}

std::string_view rawValueOf(std::string_view line) {
    return line.substr(line.find('=') + 1);
}

// The limit is on the value, not on its one-line form: cutting that form
// could cut its quoting, and a title with a line break would then come back
// as "$'Y,…" instead of a rule.
std::string readValue(std::string_view raw) {
    raw = trimBlanks(raw);
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front())
        raw = raw.substr(1, raw.size() - 2);
    std::string value = valueFromOneLine(raw);
    value.resize(cutUtf8(value, ProfileFile::MaxValueBytes).size());
    return value;
}

bool isBlankLine(std::string_view line) {
    return trimBlanks(line).empty();
}

} // namespace

ProfileLine readProfileLine(std::string_view line) {
    ProfileLine read;
    std::string_view name;
    if (sectionName(line, name)) {
        read.kind = ProfileLine::Kind::Section;
        read.name = name;
    } else if (keyName(line, name)) {
        read.kind = ProfileLine::Kind::Key;
        read.name = name;
        read.value = readValue(rawValueOf(line));
    } else if (!isBlankLine(line) && !trimBlanks(line).starts_with(';')) {
        read.kind = ProfileLine::Kind::Other;
    }
    return read;
}

ProfileFile ProfileFile::fromText(std::string_view text) {
    ProfileFile file;
    std::vector<std::string>* lines = &file.leading_;
    for (std::string_view line : textLines(text)) {
        std::string_view name;
        if (sectionName(line, name)) {
            file.sections_.push_back(Section{std::string(line), asciiLower(name), {}, {}});
            lines = &file.sections_.back().lines;
            continue;
        }
        std::string_view key;
        if (!file.sections_.empty() && keyName(line, key))
            file.sections_.back().keys.emplace(asciiLower(key), lines->size());
        lines->emplace_back(line);
    }
    return file;
}

std::string ProfileFile::toText() const {
    std::size_t size = 0;
    for (const auto& line : leading_)
        size += line.size() + 2;
    for (const auto& s : sections_) {
        size += s.header.size() + 2;
        for (const auto& line : s.lines)
            size += line.size() + 2;
    }
    std::string text;
    text.reserve(size);
    auto add = [&text](const std::string& line) {
        text += line;
        text += "\r\n";
    };
    std::for_each(leading_.begin(), leading_.end(), add);
    for (const auto& s : sections_) {
        add(s.header);
        std::for_each(s.lines.begin(), s.lines.end(), add);
    }
    return text;
}

const ProfileFile::Section* ProfileFile::find(std::string_view section) const {
    std::string name = asciiLower(trimBlanks(section));
    for (const auto& s : sections_)
        if (s.name == name) return &s;
    return nullptr;
}

ProfileFile::Section& ProfileFile::findOrAdd(std::string_view section) {
    if (const Section* s = find(section)) return const_cast<Section&>(*s);
    std::string name(trimBlanks(section));
    sections_.push_back(Section{"[" + name + "]", asciiLower(name), {}, {}});
    return sections_.back();
}

const std::string* ProfileFile::rawValue(std::string_view section, std::string_view key) const {
    const Section* s = find(section);
    if (!s) return nullptr;
    auto it = s->keys.find(asciiLower(trimBlanks(key)));
    return it == s->keys.end() ? nullptr : &s->lines[it->second];
}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    const std::string* line = rawValue(section, key);
    return line ? readValue(rawValueOf(*line)) : std::string(fallback);
}

std::optional<std::string> ProfileFile::readOptional(std::string_view section,
                                                     std::string_view key) const {
    const std::string* line = rawValue(section, key);
    if (!line) return std::nullopt;
    return readValue(rawValueOf(*line));
}

int32_t ProfileFile::readInteger(std::string_view section, std::string_view key,
                                 int32_t fallback) const {
    const std::string* line = rawValue(section, key);
    return line ? wholeNumberOr(readValue(rawValueOf(*line)), fallback) : fallback;
}

bool ProfileFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

bool ProfileFile::contains(std::string_view section, std::string_view key) const {
    return rawValue(section, key) != nullptr;
}

std::vector<std::pair<std::string, std::string>>
ProfileFile::entries(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> out;
    const Section* s = find(section);
    if (!s) return out;
    for (const auto& line : s->lines) {
        std::string_view key;
        if (keyName(line, key)) out.emplace_back(std::string(key), readValue(rawValueOf(line)));
    }
    return out;
}

void ProfileFile::writeString(std::string_view section, std::string_view key,
                              std::string_view value) {
    Section& s = findOrAdd(section);
    std::string name(trimBlanks(key));
    std::string line = name + "=" + oneLineValue(value);
    std::string lowered = asciiLower(name);
    if (auto it = s.keys.find(lowered); it != s.keys.end()) {
        s.lines[it->second] = std::move(line);
        return;
    }
    // At the end of the section, before the blank lines that part it from
    // the next one; no key line moves.
    std::size_t at = s.lines.size();
    while (at > 0 && isBlankLine(s.lines[at - 1]))
        --at;
    s.lines.insert(s.lines.begin() + std::ptrdiff_t(at), std::move(line));
    s.keys.emplace(std::move(lowered), at);
}

void ProfileFile::writeInteger(std::string_view section, std::string_view key, int32_t value) {
    writeString(section, key, std::to_string(value));
}

void ProfileFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void ProfileFile::removeSection(std::string_view section) {
    std::string name = asciiLower(trimBlanks(section));
    std::erase_if(sections_, [&name](const Section& s) { return s.name == name; });
}

void ProfileFile::removeKey(std::string_view section, std::string_view key) {
    const Section* found = find(section);
    if (!found) return;
    Section& s = const_cast<Section&>(*found);
    const std::string lowered = asciiLower(trimBlanks(key));
    if (!s.keys.contains(lowered)) return;
    std::erase_if(s.lines, [&lowered](const std::string& line) {
        std::string_view name;
        return keyName(line, name) && asciiLower(name) == lowered;
    });
    // The lines below moved up: every key's first line is found anew.
    s.keys.clear();
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        std::string_view name;
        if (keyName(s.lines[i], name)) s.keys.emplace(asciiLower(name), i);
    }
}

} // namespace vornel
