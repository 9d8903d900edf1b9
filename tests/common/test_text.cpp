#include "common/text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace vornel;

TEST(WholeNumber, AcceptsDecimalAndHexadecimalForms) {
    EXPECT_EQ(parseWholeNumber("42"), 42);
    EXPECT_EQ(parseWholeNumber("   42"), 42);
    EXPECT_EQ(parseWholeNumber("+7"), 7);
    EXPECT_EQ(parseWholeNumber("-15"), -15);
    EXPECT_EQ(parseWholeNumber("2147483647"), 2147483647);
    EXPECT_EQ(parseWholeNumber("-2147483648"), INT32_MIN);
    EXPECT_EQ(parseWholeNumber("$1F"), 31);
    EXPECT_EQ(parseWholeNumber("x1f"), 31);
    EXPECT_EQ(parseWholeNumber("X10"), 16);
    EXPECT_EQ(parseWholeNumber("0x10"), 16);
    EXPECT_EQ(parseWholeNumber("0X10"), 16);
    EXPECT_EQ(parseWholeNumber("0xFFFFFFFF"), -1);
    EXPECT_EQ(parseWholeNumber("007"), 7);
}

TEST(WholeNumber, RefusesEverythingElse) {
    for (const char* junk :
         {"", " ", "abc", "12a", "12 ", "1.5", "2147483648", "-2147483649", "99999999999999999999",
          "$", "0x", "0x123456789", "+", "- 1", "\t1", "$G", "1,2"})
        EXPECT_FALSE(parseWholeNumber(junk).has_value()) << '"' << junk << '"';
    EXPECT_EQ(wholeNumberOr("junk", -1), -1);
    EXPECT_EQ(wholeNumberOr("80", -1), 80);
}

TEST(WholeNumber, HandlesKeepTheirTopBit) {
    EXPECT_EQ(parseHandle("4194305"), 4194305u);
    EXPECT_EQ(parseHandle("4294967295"), 4294967295u);
    EXPECT_EQ(parseHandle("2147483648"), 2147483648u);
    EXPECT_EQ(parseHandle("4294967296"), 0u);
    EXPECT_EQ(parseHandle("abc"), 0u);
    EXPECT_EQ(parseHandle(""), 0u);
}

TEST(Text, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(asciiLower("PUB Éa ZAz"), "pub Éa zaz");
    EXPECT_EQ(asciiLower("PUBLICITÉ"), "publicitÉ");
}

TEST(Text, TrimsControlCharactersAndBlanks) {
    EXPECT_EQ(trimControl(" \t\r\n abc \x01\x1f"), "abc");
    EXPECT_EQ(trimControl("a b"), "a b");
    EXPECT_EQ(trimControl("   "), "");
    EXPECT_EQ(trimControl("é "), "é");
}

TEST(Text, EmptyPatternIsNeverFound) {
    EXPECT_FALSE(containsText("anything", ""));
    EXPECT_FALSE(containsText("", ""));
    EXPECT_TRUE(containsText("a - Netscape", " - Netscape"));
    EXPECT_FALSE(containsText("a - netscape", " - Netscape"));
    EXPECT_EQ(findText("a - b - Netscape", " - "), 1u);
}

TEST(Text, CutsUtf8OnlyBetweenSequences) {
    EXPECT_EQ(cutUtf8("abc", 5), "abc");
    EXPECT_EQ(cutUtf8("abcdef", 3), "abc");
    // "é" is two bytes: cutting after its first byte must drop it whole.
    EXPECT_EQ(cutUtf8("aé", 2), "a");
    EXPECT_EQ(cutUtf8("aé", 3), "aé");
    EXPECT_EQ(cutUtf8("a€", 3), "a"); // three-byte sequence
    EXPECT_EQ(cutUtf8("€", 0), "");
}

// Where wrong starts a word of line ("tout les" is wrong, "surtout les" is
// not); npos when nowhere.
std::size_t wordAt(const std::string& line, const std::string& wrong) {
    for (std::size_t at = line.find(wrong); at != std::string::npos;
         at = line.find(wrong, at + 1)) {
        const unsigned char before = at == 0 ? ' ' : static_cast<unsigned char>(line[at - 1]);
        if (before < 0x80 && !std::isalpha(before)) return at;
    }
    return std::string::npos;
}

// Misspellings once seen on screen: none may come back in a displayed text
// (forms, sources, the manual page, the GNOME Shell extension's description).
TEST(DisplayedTexts, HoldNoMisspellingSeenBefore) {
    const char* sourceDir = std::getenv("VORNEL_SOURCE_DIR");
    ASSERT_NE(sourceDir, nullptr);
    const std::vector<std::string> misspellings{"clochez",
                                                "de grande chance",
                                                "A bientôt",
                                                "sélectionnez là",
                                                "de celle-ci",
                                                "seront fermés",
                                                "fenêtre fermée auto",
                                                "Cette fois ci",
                                                "fenetres",
                                                "Son à jour",
                                                "d'Vornel",
                                                "à coté",
                                                "tout les",
                                                "fréquement",
                                                "necessaire",
                                                "dimention",
                                                "automatiquement  les",
                                                "Unable to write",
                                                "Cannot create file"};
    namespace fs = std::filesystem;
    const std::vector<std::string> texts{".ui", ".cpp", ".h", ".in", ".js", ".1"};
    int scanned = 0;
    for (const char* folder : {"app", "blocking", "common", "settings", "update", "netstat", "doc"})
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(sourceDir) / folder)) {
            if (!entry.is_regular_file() ||
                std::ranges::find(texts, entry.path().extension().string()) == texts.end())
                continue;
            ++scanned;
            std::ifstream file(entry.path());
            std::string line;
            for (int number = 1; std::getline(file, line); ++number)
                for (const std::string& wrong : misspellings)
                    EXPECT_EQ(wordAt(line, wrong), std::string::npos)
                        << entry.path().string() << ":" << number << ": " << wrong;
        }
    EXPECT_GT(scanned, 50);
}
