#include "blocking/tcond.h"

#include "rule_maker.h"

#include <gtest/gtest.h>

using namespace vornel;

TEST(TesteCond, TitleConditions) {
    const std::string ie = "Super pub du jour - Microsoft Internet Explorer";
    EXPECT_TRUE(TesteCond(rule("Y", "PUB"), ie, 1, 1));
    EXPECT_FALSE(TesteCond(rule("Y", "casino"), ie, 1, 1));
    // Only A to Z fold: an accented capital matches only itself.
    EXPECT_TRUE(TesteCond(rule("Y", "PUBLICITÉ"), "la publicitÉ", 1, 1));
    EXPECT_TRUE(TesteCond(rule("Y", "PUBLICITÉ"), "PUBLICITÉ !", 1, 1));
    EXPECT_FALSE(TesteCond(rule("Y", "PUBLICITÉ"), "la publicité", 1, 1));
    // The rule's text is searched in the title, not the reverse.
    EXPECT_FALSE(TesteCond(rule("Y", "pub du jour et plus"), "pub", 1, 1));
    // An empty contained text never holds, whatever the size says.
    EXPECT_FALSE(TesteCond(rule("Y", "", "Y", 400, 300), "x", 400, 300));
    EXPECT_FALSE(TesteCond(rule("Y", "", "N"), "", 400, 300));

    EXPECT_TRUE(TesteCond(rule("E", "abc"), "ABC", 1, 1));
    EXPECT_FALSE(TesteCond(rule("E", "abc"), "abc ", 1, 1));
    EXPECT_FALSE(TesteCond(rule("E", "abc"), "xabc", 1, 1));
    EXPECT_TRUE(TesteCond(rule("E", ""), "", 1, 1));
    EXPECT_FALSE(TesteCond(rule("E", ""), "a", 1, 1));

    // Mode letters are whole and case-sensitive; anything else never holds.
    for (const char* mode : {"y", "", "YE", "e", "n", " Y"}) {
        EXPECT_FALSE(TesteCond(rule(mode, "pub"), "pub", 1, 1)) << mode;
        EXPECT_FALSE(TesteCond(rule("N", "", mode, 1, 1), "pub", 1, 1)) << mode;
    }
}

TEST(TesteCond, SizeConditions) {
    TCond atMost = rule("N", "", "E", 400, 300);
    EXPECT_TRUE(TesteCond(atMost, "t", 400, 300));
    EXPECT_TRUE(TesteCond(atMost, "t", 399, 10));
    EXPECT_TRUE(TesteCond(atMost, "t", -5, 0));
    EXPECT_FALSE(TesteCond(atMost, "t", 401, 300));
    EXPECT_FALSE(TesteCond(atMost, "t", 400, 301));

    TCond equal = rule("N", "", "Y", 400, 300);
    EXPECT_TRUE(TesteCond(equal, "t", 400, 300));
    EXPECT_FALSE(TesteCond(equal, "t", 400, 299));
    EXPECT_FALSE(TesteCond(equal, "t", 300, 400));

    // Both halves must hold.
    TCond both = rule("Y", "pub", "Y", 400, 300);
    EXPECT_TRUE(TesteCond(both, "PUB", 400, 300));
    EXPECT_FALSE(TesteCond(both, "PUB", 400, 301));
    EXPECT_FALSE(TesteCond(both, "news", 400, 300));

    // No condition at all holds for every window.
    EXPECT_TRUE(TesteCond(rule("N", "ignored", "N", 5, 5), "anything", 9, 9));
}

TEST(TexteCond, TheNineForms) {
    auto text = [](const char* t, const char* d) { return TexteCond(rule(t, "abc", d, 400, 300)); };
    EXPECT_EQ(text("Y", "N"), "Titre~\"abc\" ");
    EXPECT_EQ(text("E", "N"), "Titre=\"abc\" ");
    EXPECT_EQ(text("N", "Y"), "Taille=\"400,300\"");
    EXPECT_EQ(text("N", "E"), "Taille<\"400,300\"");
    EXPECT_EQ(text("Y", "Y"), "Titre~\"abc\" et taille=\"400,300\"");
    EXPECT_EQ(text("Y", "E"), "Titre~\"abc\" et taille<\"400,300\"");
    EXPECT_EQ(text("E", "Y"), "Titre=\"abc\" et taille=\"400,300\"");
    EXPECT_EQ(text("E", "E"), "Titre=\"abc\" et taille<\"400,300\"");
    EXPECT_EQ(text("N", "N"), "");
}

TEST(TexteCond, OddValuesAreShownAsStored) {
    EXPECT_EQ(TexteCond(rule("y", "abc", "Y", 1, 2)), "Taille=\"1,2\"");
    EXPECT_EQ(TexteCond(rule("Y", "abc", "", 1, 2)), "Titre~\"abc\" ");
    EXPECT_EQ(TexteCond(rule("N", "", "Y", -4, 0)), "Taille=\"-4,0\"");
    EXPECT_EQ(TexteCond(rule("Y", "Pub \"x\", y", "N")), "Titre~\"Pub \"x\", y\" ");
    EXPECT_EQ(TexteCond(rule("N", "", "E", INT32_MIN, INT32_MAX)),
              "Taille<\"-2147483648,2147483647\"");
}
