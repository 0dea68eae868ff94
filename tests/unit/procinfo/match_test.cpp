// Pattern lists over the host's wildcard comparison.
#include <gtest/gtest.h>

#include <string>

#include "frame/host.h"
#include "procinfo/procinfo.h"

namespace {

TEST(MatchProcessName, AlternativesLeftToRight)
{
    // A range includes both its ends: [m-n] takes the "n" of "notepad". Sets hold single characters
    // too and are negated by ! or ^; a set that never closes is a literal "[".
    for (const wchar_t* list : {L"note*", L"calc*|note*", L"note*|calc*", L"|note*|", L"calc*||note*", L"[m-n]ote*",
                                L"[xN]ote*", L"[!a-m]ote*", L"[^xyz]otepad.exe**"})
        EXPECT_EQ(MatchProcessName(list, L"NOTEPAD.EXE"), 0) << list;
    for (const wchar_t* list : {L"[!n]ote*", L"[^m-o]ote*", L"[xy]ote*", L"[]otepad.exe"})
        EXPECT_NE(MatchProcessName(list, L"NOTEPAD.EXE"), 0) << list;
    // No match: the result of the last alternative that was compared.
    const int noMatch = WildcardComparison(L"word*", L"notepad.exe", 0, 1);
    ASSERT_NE(noMatch, 0);
    EXPECT_EQ(MatchProcessName(L"word*", L"notepad.exe"), noMatch);
    EXPECT_EQ(MatchProcessName(L"calc*|word*|", L"notepad.exe"), noMatch);
    EXPECT_NE(MatchProcessName(L"calc*| note*", L"notepad.exe"), 0);  // blanks belong to the pattern
    // Only separators match nothing.
    for (const wchar_t* list : {L"|", L"||", L"|||"}) {
        EXPECT_EQ(MatchProcessName(list, L"notepad.exe"), -2) << list;
        EXPECT_EQ(MatchProcessName(list, L""), -2) << list;
    }
    EXPECT_EQ(MatchProcessName(nullptr, L"x"), -1);
    EXPECT_EQ(MatchProcessName(L"x", nullptr), -1);
}

TEST(MatchProcessName, OverlongAlternativeIsCutAndTheNextStillRead)
{
    // 32766 '?' then "QZZ": cut to 32767 characters the alternative is
    // 32766 '?' and "Q", which matches a text of that shape.
    std::wstring text = std::wstring(32766, L'a') + L'Q';
    std::wstring longAlternative = std::wstring(32766, L'?') + L"QZZ";
    EXPECT_EQ(MatchProcessName((longAlternative + L"|nothing").c_str(), text.c_str()), 0);
    EXPECT_NE(MatchProcessName((L"nothing|" + longAlternative).c_str(), (text + L"ZZ").c_str()), 0);
    EXPECT_EQ(MatchProcessName((longAlternative + L"|note*").c_str(), L"notepad.exe"), 0);
}

}  // namespace
