// The stand-in host's functions that take text survive any text: a host
// function that crashes ends the whole shell. Each gets 40,000 characters of
// the kinds that stress it (long words, deep nesting, long paths).
#include <gtest/gtest.h>

#include <string>

#include "host/orshhost/orshhost_control.h"

namespace {

constexpr size_t Long = 40000;

std::wstring Repeat(const std::wstring& piece, size_t total)
{
    std::wstring text;
    while (text.size() + piece.size() <= total)
        text += piece;
    return text;
}

TEST(HostFunctions, ExpandVariablesTakesLongAndDeeplyNestedText)
{
    const std::wstring cases[] = {
        std::wstring(Long, L'a'),
        L"%" + std::wstring(Long - 1, L'n'),
        Repeat(L"%@path[", Long / 2) + Repeat(L"]", Long / 2 - 1),
        Repeat(L"%[", Long / 2) + Repeat(L"]", Long / 2 - 1),
        Repeat(L"%%", Long),
    };
    for (const std::wstring& text : cases) {
        std::wstring buffer = text;
        buffer.resize(Long + 1);
        ExpandVariables(buffer.data(), 0);
        // The host cannot know the caller's buffer and gives at most 1023.
        EXPECT_LE(wcslen(buffer.c_str()), 1023u) << text.substr(0, 12).c_str();
    }
}

TEST(HostFunctions, WildcardComparisonTakesLongPatterns)
{
    const std::wstring text = std::wstring(Long - 1, L'a') + L"b";
    EXPECT_EQ(WildcardComparison(std::wstring(Long, L'a').c_str(), text.c_str(), 0, 1), 1);
    EXPECT_EQ(WildcardComparison(Repeat(L"*a", Long).c_str(), text.c_str(), 0, 1), 1);
    EXPECT_EQ(WildcardComparison((Repeat(L"*a", Long - 2) + L"*b").c_str(), text.c_str(), 0, 1), 0);
    EXPECT_EQ(WildcardComparison(std::wstring(Long, L'[').c_str(), std::wstring(Long, L'[').c_str(), 0, 1), 0);
}

TEST(HostFunctions, ParseColorsTakesLongText)
{
    for (const std::wstring& text : {std::wstring(Long, L'x'), Repeat(L"bright ", Long), Repeat(L"on ", Long)}) {
        int foreground = 0, background = 0;
        ParseColors(text.c_str(), &foreground, &background);
        EXPECT_LT(foreground, 0);
    }
}

TEST(HostFunctions, QueryTrueNameTakesLongPaths)
{
    std::wstring result(32768, L'\0');
    // Past the length at which the system's long-name lookup breaks, a
    // path still has its full form; past the buffer there is none.
    for (size_t length : {1040u, 1100u, 2000u, 8000u}) {
        const std::wstring path = L"Z:\\" + std::wstring(length - 3, L'a');
        EXPECT_EQ(QueryTrueName(path.c_str(), result.data()), 0) << length;
        EXPECT_EQ(result.c_str(), path) << length;
    }
    EXPECT_EQ(QueryTrueName((L"Z:\\" + std::wstring(Long, L'a')).c_str(), result.data()), -1);
    EXPECT_EQ(result[0], L'\0');
}

}  // namespace
