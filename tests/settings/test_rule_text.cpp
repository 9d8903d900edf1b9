#include "settings/line_escape.h"
#include "settings/profile_file.h"
#include "settings/rule_text.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace vornel;

namespace {

TCond rule(std::string mode, std::string title, std::string dim, int w, int h) {
    return TCond{std::move(mode), std::move(dim), std::move(title), w, h};
}

} // namespace

TEST(Decoupe, GivesExactlyOneHundredAndOnePieces) {
    auto p = Decoupe("a,,b", ',');
    EXPECT_EQ(p[0], "a");
    EXPECT_EQ(p[1], "");
    EXPECT_EQ(p[2], "b");
    EXPECT_TRUE(std::all_of(p.begin() + 3, p.end(), [](auto& s) { return s.empty(); }));

    auto empty = Decoupe("", ',');
    EXPECT_TRUE(std::all_of(empty.begin(), empty.end(), [](auto& s) { return s.empty(); }));

    auto trailing = Decoupe("x,", ',');
    EXPECT_EQ(trailing[0], "x");
    EXPECT_TRUE(
        std::all_of(trailing.begin() + 1, trailing.end(), [](auto& s) { return s.empty(); }));

    std::string fields;
    for (int i = 1; i <= 150; ++i)
        fields += (i > 1 ? "," : "") + std::string("f") + std::to_string(i);
    auto many = Decoupe(fields, ',');
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(many[std::size_t(i)], "f" + std::to_string(i + 1));
    EXPECT_EQ(many[100], "f150");

    // Exactly 100 separators: the 101st field lands in the last piece.
    std::string hundred(100, ';');
    hundred += "last";
    EXPECT_EQ(Decoupe(hundred, ';')[100], "last");
    EXPECT_EQ(Decoupe("A;a", 'a')[0], "A;");
}

TEST(RuleText, StoredFormIsTheFiveFieldsJoinedByCommas) {
    EXPECT_EQ(ruleValue(rule("Y", "casino", "N", 1, 1)), "Y,casino,N,1,1");
    EXPECT_EQ(ruleValue(rule("E", "", "Y", -2147483647 - 1, 2147483647)),
              "E,,Y,-2147483648,2147483647");
    EXPECT_EQ(ruleFromValue("Y,casino,N,1,1"), rule("Y", "casino", "N", 1, 1));
}

TEST(RuleText, TitlesWithCommasComeBackWhole) {
    for (std::string title : {"a,b", ",", ",,,,,,", "Pub, promo, gratuit", "x,Y,1,2", ",N,0,0"}) {
        TCond r = rule("E", title, "Y", 640, 480);
        EXPECT_EQ(ruleFromValue(ruleValue(r)), r) << title;
    }
    std::string longTitle;
    for (int i = 0; i < 300; ++i)
        longTitle += "x,";
    TCond r = rule("Y", longTitle, "E", 1, 2);
    EXPECT_EQ(ruleFromValue(ruleValue(r)), r);
}

TEST(RuleText, ShortOrOddValuesReadAsDecoupeCutsThem) {
    EXPECT_EQ(ruleFromValue("Y"), rule("Y", "", "", 0, 0));
    EXPECT_EQ(ruleFromValue("Y,t"), rule("Y", "t", "", 0, 0));
    EXPECT_EQ(ruleFromValue("Y,t,N,wide,$10"), rule("Y", "t", "N", 0, 16));
    EXPECT_EQ(ruleFromValue(",,,,"), rule("", "", "", 0, 0));
    EXPECT_EQ(ruleFromValue("Y,t,N, 5,0x10"), rule("Y", "t", "N", 5, 16));
}

TEST(RuleText, ARuleTooLongToStoreLosesTheEndOfItsTitleOnly) {
    const std::size_t limit = ProfileFile::MaxValueBytes;
    TCond fits = rule("Y", std::string(limit - 8, 't'), "N", 1, 1);
    ASSERT_EQ(ruleValue(fits).size(), limit);
    EXPECT_EQ(ruleThatFits(fits), fits);

    // One byte over: one byte of the title goes.
    TCond over = rule("E", std::string(limit - 7, 't'), "Y", 1, 1);
    EXPECT_EQ(ruleThatFits(over), rule("E", std::string(limit - 8, 't'), "Y", 1, 1));

    // A title with a line break and commas, whose cut would fall inside a
    // two-byte character: 2020 bytes are left for it, the "é" takes 2019-2020.
    std::string title = "ligne 1\nligne, 2 " + std::string(3000, 'x');
    title.replace(2019, 2, "é");
    TCond wide = rule("Y", title, "E", -2147483647 - 1, 2147483647);
    TCond cut = ruleThatFits(wide);
    EXPECT_EQ(cut, rule("Y", title.substr(0, 2019), "E", -2147483647 - 1, 2147483647));
    EXPECT_EQ(ruleValue(cut).size(), limit - 1);
    // Stored and read back by the profile file, it comes back as it is.
    ProfileFile ini;
    ini.writeString("Windows", "1", ruleValue(cut));
    EXPECT_EQ(ruleFromValue(ProfileFile::fromText(ini.toText()).readString("Windows", "1", "")),
              cut);
    EXPECT_EQ(ruleThatFits(cut), cut);

    // Mode texts no editor makes are cut only when an empty title is not
    // enough.
    TCond odd = rule(std::string(1500, 'm'), "titre", std::string(1500, 'd'), 0, 0);
    TCond oddCut = ruleThatFits(odd);
    EXPECT_EQ(oddCut.Titre, "");
    EXPECT_EQ(oddCut.TitreMode, odd.TitreMode);
    EXPECT_EQ(ruleValue(oddCut).size(), limit);
    EXPECT_EQ(ruleThatFits(oddCut), oddCut);
}
