#include "blocking/close_rules.h"
#include "rule_maker.h"

#include <gtest/gtest.h>
#include <random>

using namespace vornel;

TEST(CloseRules, NumberedFromOneAndEditedInPlace) {
    CloseRules rules;
    EXPECT_EQ(rules.count(), 0);
    EXPECT_EQ(rules.firstMatch("anything", 1, 1), 0);
    ASSERT_TRUE(rules.append(rule("Y", "a")));
    ASSERT_TRUE(rules.append(rule("Y", "b")));
    ASSERT_TRUE(rules.append(rule("Y", "c")));
    EXPECT_EQ(rules.rule(1).Titre, "a");
    EXPECT_EQ(rules.firstMatch("xbx", 1, 1), 2);

    rules.remove(1);
    EXPECT_EQ(rules.count(), 2);
    EXPECT_EQ(rules.rule(1).Titre, "b");
    EXPECT_EQ(rules.firstMatch("xbx", 1, 1), 1);

    rules.replace(1, rule("Y", "z"));
    EXPECT_EQ(rules.firstMatch("xbx", 1, 1), 0);
    EXPECT_EQ(rules.firstMatch("xcz", 1, 1), 1);
    rules.clear();
    EXPECT_EQ(rules.firstMatch("xcz", 1, 1), 0);
}

TEST(CloseRules, HoldsAtMostFiveThousand) {
    CloseRules rules;
    for (int i = 0; i < CloseRules::MaxRules; ++i)
        ASSERT_TRUE(rules.append(rule("Y", "[" + std::to_string(i) + "]")));
    EXPECT_TRUE(rules.isFull());
    EXPECT_FALSE(rules.append(rule("Y", "one too many")));
    EXPECT_EQ(rules.count(), 5000);
    EXPECT_EQ(rules.firstMatch("one too many", 1, 1), 0);
    EXPECT_EQ(rules.firstMatch("xx [4999] xx", 1, 1), 5000);
}

TEST(CloseRules, FirstMatchIsTheLowestNumber) {
    CloseRules rules;
    rules.append(rule("Y", "jour", "Y", 800, 600)); // 1: wrong size
    rules.append(rule("N", "", "E", 500, 400));     // 2
    rules.append(rule("Y", "PUB"));                 // 3
    rules.append(rule("E", "super pub du jour"));   // 4
    rules.append(rule("N", "", "N"));               // 5: holds for all
    EXPECT_EQ(rules.firstMatch("Super pub du jour", 800, 600), 1);
    EXPECT_EQ(rules.firstMatch("Super pub du jour", 400, 300), 2);
    EXPECT_EQ(rules.firstMatch("Super pub du jour", 801, 600), 3);
    EXPECT_EQ(rules.firstMatch("SUPER PUB DU JOUR", 900, 900), 3);
    EXPECT_EQ(rules.firstMatch("news", 900, 900), 5);
    rules.remove(5);
    EXPECT_EQ(rules.firstMatch("news", 900, 900), 0);
    rules.remove(3);
    EXPECT_EQ(rules.firstMatch("SUPER PUB DU JOUR", 900, 900), 3); // the old rule 4
}

TEST(CloseRules, ASizeThatCannotBeSeenSatisfiesNoSizeCondition) {
    CloseRules rules;
    rules.append(rule("N", "", "E", 5000, 5000)); // 1: at most anything
    rules.append(rule("N", "", "Y", 0, 0));       // 2: the size an unknown one reads as
    rules.append(rule("Y", "pub", "Y", 0, 0));    // 3
    rules.append(rule("E", "pub - mozilla", "E", 5000, 5000)); // 4
    rules.append(rule("Y", "pub"));                            // 5: title only
    EXPECT_EQ(rules.firstMatch("Pub - Mozilla", 0, 0), 1);
    EXPECT_EQ(rules.firstMatch("Pub - Mozilla", 0, 0, false), 5);
    EXPECT_EQ(rules.firstMatchInOrder("Pub - Mozilla", 0, 0, false), 5);
    EXPECT_EQ(rules.firstMatch("Autre - Mozilla", 0, 0, false), 0);
    rules.append(rule("N", "", "N")); // 6: holds for every window
    EXPECT_EQ(rules.firstMatch("Autre - Mozilla", 0, 0, false), 6);
}

TEST(CloseRules, IndexAgreesWithTestingEveryRuleInOrder) {
    // Rules and titles drawn from a small alphabet so that texts overlap,
    // nest and repeat: every answer must be the in-order first match.
    std::mt19937 random(1234);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    auto word = [&](int maxLength) {
        std::string w;
        int length = pick(maxLength + 1);
        for (int i = 0; i < length; ++i)
            w += "abAB é"[pick(6)];
        return w;
    };
    const char* modes[] = {"Y", "E", "N", "y", ""};
    for (int round = 0; round < 40; ++round) {
        CloseRules rules;
        int n = 1 + pick(60);
        for (int i = 0; i < n; ++i)
            rules.append(rule(modes[pick(5)], word(4), modes[pick(5)], pick(4), pick(4)));
        for (int t = 0; t < 300; ++t) {
            std::string title = word(10);
            int w = pick(5), h = pick(5);
            ASSERT_EQ(rules.firstMatch(title, w, h), rules.firstMatchInOrder(title, w, h))
                << "round " << round << " title '" << title << "' " << w << "x" << h;
            ASSERT_EQ(rules.firstMatch(title, w, h, false),
                      rules.firstMatchInOrder(title, w, h, false))
                << "round " << round << " title '" << title << "', size unknown";
        }
    }
}
