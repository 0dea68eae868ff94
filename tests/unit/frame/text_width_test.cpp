// Screen columns of whole characters: how much of a text fits a room, and
// the widths the generated table gives at the edges of its ranges; and the
// mask over other programs' control characters.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "frame/foreign_text.h"
#include "frame/text_width.h"

namespace {

TEST(TextWidth, WholeCharactersFitTheRoom)
{
    const std::wstring family = L"\U0001F468\u200D\U0001F469\u200D\U0001F467";  // joined by ZWJ
    const struct {
        std::wstring text;
        int room;
        size_t units;
        int columns;
    } cases[] = {
        {L"abcdef", INT_MAX, 6, 6},
        {L"abcdef", 4, 4, 4},
        {L"abc", -1, 0, 0},
        // A mark stays with its base, in and out; one with no base costs nothing.
        {L"e\u0301\u0302x", INT_MAX, 4, 2},
        {L"e\u0301\u0302x", 1, 3, 1},
        {L"xe\u0301", 1, 1, 1},
        {L"\u0301a", 1, 2, 1},
        // A surrogate pair is one character, of one column or of two.
        {L"\U0001D400\U0001D400", 1, 2, 1},
        {L"a\U0001F600b", 2, 1, 1},
        {L"a\U0001F600b", 3, 3, 3},
        // Lone surrogates count one column each.
        {L"\xD83D" L"a\xDE00", INT_MAX, 3, 3},
        // Wide characters: one straddling the limit stays out.
        {L"\u4E00\u4E8C\u4E09", 5, 2, 4},
        {L"\u4E00\u4E8C\u4E09", 6, 3, 6},
        {L"\uFF10\uFF17\uFF18\uFF10", 3, 1, 2},  // full-width digits
        // A joiner sequence: each person two columns, each joiner with the person before.
        {family, INT_MAX, 8, 6},
        {family, 3, 3, 2},
        {family, 4, 6, 4},
        {L"\u2764\uFE0F!", 1, 2, 1},    // a variation selector
        {L"\u1100\u1161\u11A8", 2, 3, 2},  // a Hangul syllable from its letters
    };
    for (const auto& c : cases) {
        TextFit fit = FitText(c.text.c_str(), c.text.size(), c.room);
        EXPECT_EQ(fit.units, c.units) << testing::PrintToString(c.text) << " in " << c.room;
        EXPECT_EQ(fit.columns, c.columns) << testing::PrintToString(c.text) << " in " << c.room;
    }
    // Only the counted units are read; a pair cut by the count is a lone surrogate.
    EXPECT_EQ(FitText(L"abc", 2, INT_MAX).units, 2u);
    EXPECT_EQ(FitText(L"\U0001F600", 1, INT_MAX).columns, 1);
    EXPECT_EQ(FitText(nullptr, 5, 5).units, 0u);
    EXPECT_EQ(TextColumns(family.c_str()), 6);
    EXPECT_EQ(TextColumns(nullptr), 0);
}

TEST(TextWidth, TableEdges)
{
    const struct {
        char32_t c;
        int columns;
    } cases[] = {
        {0x7E, 1},     {0xAD, 1},      {0x2FF, 1},    {0x300, 0},     {0x36F, 0},     {0x370, 1},
        {0x115F, 2},   {0x1160, 0},    {0x11FF, 0},   {0x200B, 0},    {0x3000, 2},    {0x303F, 1},
        {0xFF61, 1},   {0x1F600, 2},   {0x1F1E6, 1},  {0x2FFFD, 2},   {0x2FFFE, 1},   {0x3FFFD, 2},
        {0xE0100, 0},  {0xE01EF, 0},   {0xE01F0, 1},  {0x10FFFF, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CharacterColumns(c.c), c.columns) << std::hex << static_cast<unsigned>(c.c);
}

TEST(ForeignTextMask, EveryControlCharacterBecomesOneMark)
{
    // Both ranges' edges, and a zero inside a counted text.
    wchar_t counted[] = L"\x1f \x7e\x7f\x80\x9f\xa0\x00\x1b[0m\x11\t\n\U0001F600";
    EXPECT_EQ(MaskControlCharacters(counted, 17), 9u);
    EXPECT_EQ(std::wstring(counted, 17), L"? ~???\xa0??[0m???\U0001F600");
    EXPECT_EQ(MaskControlCharacters(nullptr, 3), 0u);
    EXPECT_STREQ(ForeignText(nullptr).get(), L"");
}

}  // namespace
