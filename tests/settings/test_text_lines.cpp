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
