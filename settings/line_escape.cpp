#include "settings/line_escape.h"

namespace vornel {

namespace {

bool needsQuoting(std::string_view value) {
    return value.find_first_of("\r\n") != std::string_view::npos ||
           value.find("$'") != std::string_view::npos;
}

bool isQuoted(std::string_view stored) {
    return stored.size() >= 3 && stored.starts_with("$'") && stored.ends_with('\'');
}

} // namespace

std::string oneLineValue(std::string_view value) {
    if (!needsQuoting(value)) return std::string(value);
    std::string out = "$'";
    out.reserve(value.size() + 8);
    for (char c : value) {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\'':
            out += "\\'";
            break;
        default:
            out += c;
        }
    }
    out += '\'';
    return out;
}

std::string valueFromOneLine(std::string_view stored) {
    if (!isQuoted(stored)) return std::string(stored);
    std::string_view body = stored.substr(2, stored.size() - 3);
    std::string out;
    out.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (c != '\\' || i + 1 == body.size()) {
            out += c;
            continue;
        }
        switch (body[i + 1]) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        case '\'':
            out += '\'';
            break;
        // Not one of ours (a hand-edited value): kept as written.
        default:
            out += c;
            continue;
        }
        ++i;
    }
    return out;
}

} // namespace vornel
