// Preparing a variable function's argument text.
#include <gtest/gtest.h>

#include <cwchar>

#include "commands/varfuncs/varfuncs.h"

namespace {

TEST(VariableFunctions, TrimBlanksAndStripQuotes)
{
    const struct {
        const wchar_t *text, *trimmed;
    } trims[] = {{L" \t 812 \r\n\v\f", L"812"}, {L"  a b  ", L"a b"}, {L" \t\r\n ", L""}, {L"", L""}};
    for (const auto& t : trims) {
        wchar_t text[64];
        wcscpy(text, t.text);
        EXPECT_EQ(TrimBlanks(text), 0);
        EXPECT_STREQ(text, t.trimmed);
    }
    // One enclosing pair only.
    const struct {
        const wchar_t *text, *stripped;
        int result;
    } quotes[] = {{L"\"812\"", L"812", 2}, {L"\"\"812\"\"", L"\"812\"", 2}, {L"\"\"", L"", 2},
                  {L"\"", L"\"", 0},       {L"\"812", L"\"812", 0},         {L"812\"", L"812\"", 0},
                  {L"8\"1\"2", L"8\"1\"2", 0}, {L"", L"", 0}};
    for (const auto& q : quotes) {
        wchar_t text[64];
        wcscpy(text, q.text);
        EXPECT_EQ(StripQuotes(text), q.result) << q.text;
        EXPECT_STREQ(text, q.stripped);
    }
    EXPECT_EQ(TrimBlanks(nullptr), -1);
    EXPECT_EQ(StripQuotes(nullptr), -1);
    // A missing result buffer.
    EXPECT_EQ(f_elevated(nullptr), 1);
    EXPECT_EQ(f_pidexename(nullptr), 1);
    EXPECT_EQ(f_pidsvcnames(nullptr), 1);
}

}  // namespace
