#include "common/date_text.h"
#include "support/french_locale.h"

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
    // A real French locale: day first and a four-digit year, so that a text
    // written under one format and read under the other differs for real.
    test::FrenchDates french;
    ASSERT_EQ(french.failure(), "");
    QDate d(2026, 3, 4);
    EXPECT_EQ(dateText(d), "04/03/2026");
    EXPECT_EQ(parseDateText("04/03/2026"), d);
    EXPECT_EQ(dateTimeText(QDateTime(d, QTime(23, 5, 9))), "04/03/2026 23:05:09");
    // Written under C (month first, two-digit year) and read here: still a
    // date, in the year 26. Callers must not trust such a date blindly.
    EXPECT_EQ(parseDateText("12/08/26"), QDate(26, 8, 12));
    EXPECT_FALSE(parseDateText("13/13/2026").has_value());
}

TEST(DateText, AnExplicitDayMonthYearFormat) {
    const char* dayFirst = "%d/%m/%Y";
    for (QDate d : {QDate(2026, 12, 7), QDate(2002, 4, 7), QDate(2000, 2, 29), QDate(1999, 1, 31)})
        EXPECT_EQ(parseDateText(dateText(d, dayFirst), dayFirst), d) << dateText(d, dayFirst);
    EXPECT_EQ(dateText(QDate(2026, 12, 7), dayFirst), "07/12/2026");
    EXPECT_EQ(parseDateText("07/04/2002", dayFirst), QDate(2002, 4, 7));
    EXPECT_EQ(parseDateText("12/08/26", dayFirst), QDate(26, 8, 12));
    EXPECT_FALSE(parseDateText("29/02/2001", dayFirst).has_value());
    EXPECT_FALSE(parseDateText("07/04/2002 ", dayFirst).has_value());
    // The same text read month first, two-digit year, as the C locale does.
    EXPECT_FALSE(parseDateText("07/04/2002", "%m/%d/%y").has_value());
}
