#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vornel {

// One line of a profile file as the reader takes it.
struct ProfileLine {
    enum class Kind {
        Ignored, // blank, or a comment (";")
        Section, // "[name]"
        Key,     // "key=value"
        Other,   // anything else, which no reader sees
    };
    Kind kind = Kind::Ignored;
    std::string name;  // the section's or the key's, without surrounding blanks
    std::string value; // a key's value, as readString reads it
};
ProfileLine readProfileLine(std::string_view line);

// An ini ("profile") file held in memory, read from and written back to its
// text whole. Section and key names compare without regard to ASCII case;
// every line the program does not change (comments, unknown keys and
// sections) comes back exactly as it was. Reads the lines as textLines cuts
// them (a leading byte-order mark skipped; CR LF, LF or CR), writes CR LF and
// no byte-order mark.
//
// Values follow the old profile functions: surrounding blanks and one pair of
// enclosing quotes are dropped on reading and the value is cut to
// MaxValueBytes (never inside a UTF-8 sequence); a missing key gives the
// caller's default, an empty one the empty string. A value holding a line
// break is stored in the one-line form of line_escape.h; the limit applies to
// the value that form stands for.
class ProfileFile {
public:
    static constexpr std::size_t MaxValueBytes = 2047;

    static ProfileFile fromText(std::string_view text);
    std::string toText() const;

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // The value, or nothing for a missing key.
    std::optional<std::string> readOptional(std::string_view section, std::string_view key) const;
    // A whole number (decimal, or hexadecimal after 0x); anything else gives
    // the fallback.
    int32_t readInteger(std::string_view section, std::string_view key, int32_t fallback) const;
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;
    bool contains(std::string_view section, std::string_view key) const;

    // Every "key=value" line of the section in file order, values read as
    // readString reads them.
    std::vector<std::pair<std::string, std::string>> entries(std::string_view section) const;

    // Replaces the key's value in place, or adds the key at the end of its
    // section, or the section at the end of the file.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);

    // Removes every section of that name with all its lines.
    void removeSection(std::string_view section);
    // Removes every line of the key from the section; nothing when it has none.
    void removeKey(std::string_view section, std::string_view key);

private:
    struct Section {
        std::string header;                                // the "[name]" line as found
        std::string name;                                  // lower-cased
        std::vector<std::string> lines;                    // the lines below the header
        std::unordered_map<std::string, std::size_t> keys; // lower-cased key -> first line
    };

    const Section* find(std::string_view section) const;
    Section& findOrAdd(std::string_view section);
    const std::string* rawValue(std::string_view section, std::string_view key) const;

    std::vector<std::string> leading_; // lines before the first section
    std::vector<Section> sections_;
};

} // namespace vornel
