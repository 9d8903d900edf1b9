#include "common/memo_lines.h"

#include <QPlainTextEdit>
#include <gtest/gtest.h>

using namespace vornel;

TEST(MemoLines, AMemoIsAListOfLines) {
    QPlainTextEdit memo;
    EXPECT_TRUE(memoLines(&memo).isEmpty());
    EXPECT_EQ(memoLineCount(&memo), 0);

    insertFirstLine(&memo, "older");
    insertFirstLine(&memo, "newer");
    EXPECT_EQ(memoLines(&memo), QStringList({"newer", "older"}));
    EXPECT_EQ(memoLineCount(&memo), 2);

    setMemoLines(&memo, {" - Netscape", "", " - Mozilla"});
    EXPECT_EQ(memoLines(&memo), QStringList({" - Netscape", "", " - Mozilla"}));

    memo.setPlainText("a\nb\n");
    EXPECT_EQ(memoLines(&memo), QStringList({"a", "b"}));
    EXPECT_EQ(memoLineCount(&memo), 2);

    setMemoLines(&memo, {"1", "2", "3"});
    keepFirstLines(&memo, 3);
    EXPECT_EQ(memoLines(&memo), QStringList({"1", "2", "3"}));
    keepFirstLines(&memo, 2);
    EXPECT_EQ(memo.toPlainText(), "1\n2");
    keepFirstLines(&memo, 0);
    EXPECT_EQ(memoLineCount(&memo), 0);
}
