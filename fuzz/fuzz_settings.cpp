// libFuzzer over what reads the settings file: the profile reader, Decoupe
// and the rule decode. Nothing may crash, a file written back reads the same,
// every rule that is saved loads back equal, and one too long to store loads
// back valid and stays so.
#include "settings/line_escape.h"
#include "settings/profile_file.h"
#include "settings/rule_text.h"
#include "settings/text_lines.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace vornel;

namespace {

void check(bool holds) {
    if (!holds) std::abort();
}

void profileReadsBackWhatItWrites(std::string_view text) {
    ProfileFile ini = ProfileFile::fromText(text);
    std::string written = ini.toText();
    check(ProfileFile::fromText(written).toText() == written);
    for (const auto& entry : ini.entries("Ports"))
        check(entry.second.size() <= ProfileFile::MaxValueBytes);
    ini.readInteger("Vornel", "MajJour", 15);

    // Any value stays on its line; one without surrounding blanks or quotes
    // that fits the limit reads back as it was.
    ini.removeSection("Windows");
    ini.writeString("Windows", "1", text);
    ini.writeString("Windows", "2", "after");
    ProfileFile back = ProfileFile::fromText(ini.toText());
    check(back.readString("Windows", "2", "") == "after");
    bool plain = !text.empty() && text.front() > ' ' && text.back() > ' ' && text.front() != '"' &&
                 text.front() != '\'' && text.back() != '"' && text.back() != '\'';
    if (plain && oneLineValue(text).size() <= ProfileFile::MaxValueBytes)
        check(back.readString("Windows", "1", "") == text);
}

void decoupeKeepsEveryByte(std::string_view text) {
    if (text.empty()) return;
    char separator = text[0];
    auto pieces = Decoupe(text, separator);
    auto separators = std::count(text.begin(), text.end(), separator);
    if (separators > 100) return;
    std::string joined = pieces[0];
    for (long i = 1; i <= separators; ++i)
        joined += separator + pieces[std::size_t(i)];
    check(joined == text);
    for (std::size_t i = std::size_t(separators) + 1; i < pieces.size(); ++i)
        check(pieces[i].empty());
}

// Rules built from the input, saved the way the save stores them and read
// back the way the load reads them.
void savedRulesLoadBackEqual(std::string_view data) {
    static const char* const modes[] = {"Y", "E", "N", "", "X"};
    ProfileFile ini;
    std::vector<TCond> saved;
    std::vector<std::size_t> storedSize;
    while (data.size() >= 10) {
        TCond rule;
        rule.TitreMode = modes[uint8_t(data[0]) % 5];
        rule.DimMode = modes[uint8_t(data[1]) % 5];
        rule.Width = int32_t(uint32_t(uint8_t(data[2])) << 24 | uint32_t(uint8_t(data[3])) << 8);
        rule.Height = int32_t(uint32_t(uint8_t(data[4])) << 16 | uint8_t(data[5]));
        std::size_t length =
            std::min<std::size_t>(uint8_t(data[6]) * 16u + uint8_t(data[7]) % 16u, data.size() - 8);
        rule.Titre = data.substr(8, length);
        data.remove_prefix(8 + length);
        saved.push_back(rule);
        storedSize.push_back(oneLineValue(ruleValue(rule)).size());
        ini.writeString("Windows", std::to_string(saved.size()), ruleValue(rule));
    }
    ProfileFile loaded = ProfileFile::fromText(ini.toText());
    for (std::size_t k = 1; k <= saved.size(); ++k) {
        std::string value = loaded.readString("Windows", std::to_string(k), "");
        check(!value.empty());
        // A value longer than the profile limit is cut at load, as it always was.
        if (storedSize[k - 1] > ProfileFile::MaxValueBytes) continue;
        check(ruleFromValue(value) == saved[k - 1]);
    }
}

// The save cuts a rule too long for the profile limit in its title only: the
// rule loads back with its modes and sizes, the title a prefix of its own,
// and saving what was loaded changes nothing more.
void tooLongRulesLoadBackValidAndStable(std::string_view data) {
    if (data.size() < 8) return;
    static const char* const modes[] = {"Y", "E", "N"};
    TCond rule;
    rule.TitreMode = modes[uint8_t(data[0]) % 3];
    rule.DimMode = modes[uint8_t(data[1]) % 3];
    rule.Width = int32_t(uint32_t(uint8_t(data[2])) << 24 | uint8_t(data[3]));
    rule.Height = int32_t(uint32_t(uint8_t(data[4])) << 16 | uint8_t(data[5]));
    // Repeated past the limit, with the input's line breaks, commas and
    // quotes, and cut at any byte.
    std::string_view piece = data.substr(6);
    while (rule.Titre.size() < ProfileFile::MaxValueBytes + uint8_t(data[6]) * 4u)
        rule.Titre += piece;

    auto storeAndLoad = [](const TCond& r) {
        ProfileFile ini;
        ini.writeString("Windows", "1", ruleValue(ruleThatFits(r)));
        return ruleFromValue(ProfileFile::fromText(ini.toText()).readString("Windows", "1", ""));
    };
    TCond loaded = storeAndLoad(rule);
    check(loaded.TitreMode == rule.TitreMode && loaded.DimMode == rule.DimMode);
    check(loaded.Width == rule.Width && loaded.Height == rule.Height);
    check(rule.Titre.starts_with(loaded.Titre));
    check(ruleValue(loaded).size() <= ProfileFile::MaxValueBytes);
    check(storeAndLoad(loaded) == loaded);
}

// A file's bytes as text: what comes out holds no NUL, UTF-8 goes through as
// it is, and a file of the older program's code page comes out as UTF-8 that
// reads back unchanged, as the file the save writes of it does.
void fileTextHoldsNoNul(std::string_view data) {
    const std::optional<std::string> text = textOfFile(data);
    if (!text) return;
    check(text->find('\0') == std::string::npos);
    if (data.starts_with("\xFF\xFE") || data.starts_with("\xFE\xFF")) return;
    if (data.starts_with("\xEF\xBB\xBF") || isUtf8(data)) {
        check(*text == data);
        return;
    }
    check(isUtf8(*text));
    check(textOfFile(*text) == text);
    check(text->size() >= data.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    std::string_view data(reinterpret_cast<const char*>(bytes), size);
    profileReadsBackWhatItWrites(data);
    fileTextHoldsNoNul(data);
    decoupeKeepsEveryByte(data);
    ruleFromValue(data);
    savedRulesLoadBackEqual(data);
    tooLongRulesLoadBackValidAndStable(data);
    return 0;
}
