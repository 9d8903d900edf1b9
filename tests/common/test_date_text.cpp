#include "common/date_text.h"

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace vornel;

TEST(DateText, FollowsTheCLocaleFormats) {
    ASSERT_NE(std::setlocale(LC_TIME, "C"), nullptr);
    EXPECT_EQ(dateText(QDate(2026, 12, 7)), "12/07/26");
    EXPECT_EQ(dateTimeText(QDateTime(QDate(2026, 12, 7), QTime(23, 5, 9))), "12/07/26 23:05:09");
    // Exactly midnight: the date stands alone.
    EXPECT_EQ(dateTimeText(QDateTime(QDate(2026, 12, 7), QTime(0, 0, 0))), "12/07/26");
    EXPECT_EQ(dateTimeText(QDateTime(QDate(2026, 12, 7), QTime(0, 0, 1))), "12/07/26 00:00:01");
}

TEST(DateText, ParsesWhatItWrites) {
    ASSERT_NE(std::setlocale(LC_TIME, "C"), nullptr);
    for (QDate d : {QDate(2026, 12, 7), QDate(2002, 7, 4), QDate(2000, 2, 29), QDate(1999, 1, 31)})
        EXPECT_EQ(parseDateText(dateText(d)), d) << dateText(d);
    EXPECT_FALSE(parseDateText("").has_value());
    EXPECT_FALSE(parseDateText("not a date").has_value());
    EXPECT_FALSE(parseDateText("12/07/26 junk").has_value());
    EXPECT_FALSE(parseDateText("13/45/26").has_value());
}

TEST(DateText, UsesTheRegionalFormatInForce) {
    // A French locale writes day first; skip only when the machine has none.
    if (!std::setlocale(LC_TIME, "fr_FR.UTF-8") && !std::setlocale(LC_TIME, "C.UTF-8"))
        GTEST_SKIP() << "no other locale installed";
    QDate d(2026, 3, 4);
    std::string text = dateText(d);
    EXPECT_EQ(parseDateText(text), d) << text;
    std::setlocale(LC_TIME, "C");
}
