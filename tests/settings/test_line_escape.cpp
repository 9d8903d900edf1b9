#include "settings/line_escape.h"

#include <gtest/gtest.h>

using namespace vornel;

TEST(LineEscape, PlainValuesKeepTheirStoredForm) {
    for (std::string v : {"", "Y,casino,N,1,1", "C:\\new\\readme", "it's", "$5", "a'$", "\\n"})
        EXPECT_EQ(oneLineValue(v), v);
    // Hand-written backslashes outside the quoted form are never decoded.
    EXPECT_EQ(valueFromOneLine("C:\\new\\readme"), "C:\\new\\readme");
    EXPECT_EQ(valueFromOneLine("$'"), "$'");
    // The quoted empty value.
    EXPECT_EQ(valueFromOneLine("$''"), "");
}

TEST(LineEscape, LineBreaksAndTheMarkerAreQuoted) {
    EXPECT_EQ(oneLineValue("a\nb"), "$'a\\nb'");
    EXPECT_EQ(oneLineValue("a\r\nb\\c'd"), "$'a\\r\\nb\\\\c\\'d'");
    EXPECT_EQ(oneLineValue("$'x'"), "$'$\\'x\\''");
    EXPECT_EQ(oneLineValue("cost $'5"), "$'cost $\\'5'");
    for (std::string v : {"a\nb", "\n", "\r", "x\\\n", "$'x'", "$'", "'\n'", "\\\\\n\\", "$'\\"})
        EXPECT_EQ(valueFromOneLine(oneLineValue(v)), v) << v;
}

TEST(LineEscape, UnknownEscapesInAHandWrittenQuotedValueStayAsWritten) {
    EXPECT_EQ(valueFromOneLine("$'a\\tb\\'"), "a\\tb\\");
    EXPECT_EQ(valueFromOneLine("$'tab\\x'"), "tab\\x");
}
