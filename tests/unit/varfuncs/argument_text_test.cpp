// Preparing a variable function's argument text.
#include <gtest/gtest.h>

#include "commands/varfuncs/varfuncs.h"

namespace {

TEST(TrimBlanks, BothEndsInPlace)
{
    wchar_t text[64] = L" \t 812 \r\n\v\f";
    EXPECT_EQ(TrimBlanks(text), 0);
    EXPECT_STREQ(text, L"812");
    wchar_t inner[64] = L"  a b  ";
    TrimBlanks(inner);
    EXPECT_STREQ(inner, L"a b");
    wchar_t blanks[64] = L" \t\r\n ";
    TrimBlanks(blanks);
    EXPECT_STREQ(blanks, L"");
    wchar_t empty[4] = L"";
    TrimBlanks(empty);
    EXPECT_STREQ(empty, L"");
    EXPECT_EQ(TrimBlanks(nullptr), -1);
}

TEST(StripQuotes, OneEnclosingPair)
{
    wchar_t quoted[64] = L"\"812\"";
    EXPECT_EQ(StripQuotes(quoted), 2);
    EXPECT_STREQ(quoted, L"812");
    wchar_t twice[64] = L"\"\"812\"\"";
    EXPECT_EQ(StripQuotes(twice), 2);
    EXPECT_STREQ(twice, L"\"812\"");
    wchar_t pair[64] = L"\"\"";
    EXPECT_EQ(StripQuotes(pair), 2);
    EXPECT_STREQ(pair, L"");
    for (const wchar_t* unchanged : {L"\"", L"\"812", L"812\"", L"8\"1\"2", L""}) {
        wchar_t text[64];
        wcscpy(text, unchanged);
        EXPECT_EQ(StripQuotes(text), 0) << unchanged;
        EXPECT_STREQ(text, unchanged);
    }
    EXPECT_EQ(StripQuotes(nullptr), -1);
}

TEST(VariableFunctions, MissingBufferIsResultOne)
{
    EXPECT_EQ(f_elevated(nullptr), 1);
    EXPECT_EQ(f_pidexename(nullptr), 1);
    EXPECT_EQ(f_pidsvcnames(nullptr), 1);
}

}  // namespace
