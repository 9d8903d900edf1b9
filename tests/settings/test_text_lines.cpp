#include "settings/text_lines.h"

#include <gtest/gtest.h>

using vornel::textLines;
using Lines = std::vector<std::string_view>;

TEST(TextLines, EveryEditorsLineEndsAndNoByteOrderMark) {
    EXPECT_EQ(textLines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(textLines("a\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(textLines("a\rb\r"), (Lines{"a", "b"}));
    EXPECT_EQ(textLines("a\r\rb"), (Lines{"a", "", "b"}));
    // LF CR is two line ends, not one.
    EXPECT_EQ(textLines("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(textLines("mixed\r\nends\nin\rone"), (Lines{"mixed", "ends", "in", "one"}));
    EXPECT_EQ(textLines("\r\n\n"), (Lines{"", ""}));
    EXPECT_TRUE(textLines("").empty());

    EXPECT_EQ(textLines("\xEF\xBB\xBF[Vornel]\rTotal=3"), (Lines{"[Vornel]", "Total=3"}));
    EXPECT_TRUE(textLines("\xEF\xBB\xBF").empty());
    // Only a mark at the very start is one; elsewhere it is text.
    EXPECT_EQ(textLines("a\n\xEF\xBB\xBF"
                        "b"),
              (Lines{"a", "\xEF\xBB\xBF"
                          "b"}));
    // Two at the start both go, or the second would come back as the first
    // of the next read (found by the fuzzer).
    EXPECT_EQ(textLines("\xEF\xBB\xBF\xEF\xBB\xBFx"), (Lines{"x"}));
}

// The older Windows program wrote its files in the ANSI code page, without a
// mark: such bytes are no UTF-8 and come out as the characters they stood for.
TEST(TextOfFile, BytesThatAreNoUtf8AreTheOlderProgramsCodePage) {
    using vornel::isUtf8;
    using vornel::textOfFile;
    EXPECT_TRUE(isUtf8("plain ascii"));
    EXPECT_TRUE(isUtf8("Félicitations \xF0\x9F\x8E\xB0"));
    EXPECT_FALSE(isUtf8("F\xE9licitations"));
    EXPECT_FALSE(isUtf8("\xC0\xAF"));         // an overlong "/"
    EXPECT_FALSE(isUtf8("\xED\xA0\x80"));     // a surrogate
    EXPECT_FALSE(isUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_FALSE(isUtf8("\xE2\x82"));         // cut short

    EXPECT_EQ(textOfFile("1=Y,F\xE9licitations,N,1,1\r\n"), "1=Y,Félicitations,N,1,1\r\n");
    // The bytes that Latin-1 leaves to control characters are Windows-1252's
    // signs; the five it leaves unassigned keep their number.
    EXPECT_EQ(textOfFile("\x80 \x93gagn\xE9\x94 \x9C \x81"), "€ “gagné” œ \u0081");
    // UTF-8 goes through as it is, and so does anything after a UTF-8 mark.
    EXPECT_EQ(textOfFile("Félicitations"), "Félicitations");
    EXPECT_EQ(textOfFile("\xEF\xBB\xBF\xE9"), "\xEF\xBB\xBF\xE9");
}
