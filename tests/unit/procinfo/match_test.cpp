// Pattern lists over the host's wildcard comparison.
#include <gtest/gtest.h>

#include <string>

#include "frame/host.h"
#include "procinfo/procinfo.h"

namespace {

TEST(MatchProcessName, SinglePatternIsTheHostComparison)
{
    EXPECT_EQ(MatchProcessName(L"note*", L"NOTEPAD.EXE"), 0);
    EXPECT_EQ(MatchProcessName(L"calc*", L"notepad.exe"), WildcardComparison(L"calc*", L"notepad.exe", 0, 1));
    EXPECT_NE(MatchProcessName(L"calc*", L"notepad.exe"), 0);
    EXPECT_EQ(MatchProcessName(nullptr, L"x"), -1);
    EXPECT_EQ(MatchProcessName(L"x", nullptr), -1);
}

TEST(MatchProcessName, AlternativesLeftToRight)
{
    EXPECT_EQ(MatchProcessName(L"calc*|note*", L"notepad.exe"), 0);
    EXPECT_EQ(MatchProcessName(L"note*|calc*", L"notepad.exe"), 0);
    EXPECT_EQ(MatchProcessName(L"|note*|", L"notepad.exe"), 0);
    EXPECT_EQ(MatchProcessName(L"calc*||note*", L"notepad.exe"), 0);
    // No match: the result of the last alternative that was compared.
    EXPECT_EQ(MatchProcessName(L"calc*|word*|", L"notepad.exe"), WildcardComparison(L"word*", L"notepad.exe", 0, 1));
    // Blanks belong to the pattern.
    EXPECT_NE(MatchProcessName(L"calc*| note*", L"notepad.exe"), 0);
}

TEST(MatchProcessName, OnlySeparatorsMatchNothing)
{
    for (const wchar_t* list : {L"|", L"||", L"|||"}) {
        EXPECT_EQ(MatchProcessName(list, L"notepad.exe"), -2) << list;
        EXPECT_EQ(MatchProcessName(list, L""), -2) << list;
    }
}

TEST(MatchProcessName, OverlongAlternativeIsCutAndTheNextStillRead)
{
    // 32766 '?' then "QZZ": cut to 32767 characters the alternative is
    // 32766 '?' and "Q", which matches a text of that shape.
    std::wstring text(32766, L'a');
    text += L'Q';
    std::wstring longAlternative = std::wstring(32766, L'?') + L"QZZ";
    EXPECT_EQ(MatchProcessName((longAlternative + L"|nothing").c_str(), text.c_str()), 0);
    EXPECT_NE(MatchProcessName((L"nothing|" + longAlternative).c_str(), (text + L"ZZ").c_str()), 0);
    EXPECT_EQ(MatchProcessName((longAlternative + L"|note*").c_str(), L"notepad.exe"), 0);
}

}  // namespace
