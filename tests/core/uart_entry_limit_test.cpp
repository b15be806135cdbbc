#include "uart/entry_limit.h"

#include <gtest/gtest.h>

TEST(FitEntryText, DropsTheCharactersJustInsertedBeforeTheCaret)
{
    // "abcd" full at 4; "XY" pasted after "ab": the paste is cut to fit.
    FittedEntry fitted = FitEntryText(L"abXYcd", 4, 4);
    EXPECT_EQ(fitted.text, L"abcd");
    EXPECT_EQ(fitted.caret, 2u);
    // Room for one of two typed characters at the end.
    fitted = FitEntryText(L"abcXY", 5, 4);
    EXPECT_EQ(fitted.text, L"abcX");
    EXPECT_EQ(fitted.caret, 4u);
    // A text set whole (caret at its start) keeps its first characters.
    fitted = FitEntryText(L"abcdef", 0, 4);
    EXPECT_EQ(fitted.text, L"abcd");
    EXPECT_EQ(fitted.caret, 0u);
    fitted = FitEntryText(L"abc", 9, 4);
    EXPECT_EQ(fitted.text, L"abc");
    EXPECT_EQ(fitted.caret, 3u);
}
