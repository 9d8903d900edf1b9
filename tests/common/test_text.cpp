#include "common/text.h"

#include <gtest/gtest.h>

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
