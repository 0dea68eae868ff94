// Screen columns of whole characters: how much of a text fits a room, the
// widths the generated table gives at the edges of its ranges, Unicode's
// own cases of where characters as people see them begin and end; and the
// mask over other programs' control characters.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/foreign_text.h"
#include "frame/text_width.h"

namespace {

std::wstring Utf16(char32_t c)
{
    if (c < 0x10000)
        return std::wstring(1, static_cast<wchar_t>(c));
    c -= 0x10000;
    return {static_cast<wchar_t>(0xD800 + (c >> 10)), static_cast<wchar_t>(0xDC00 + (c & 0x3FF))};
}

TEST(TextWidth, WholeCharactersFitTheRoom)
{
    const std::wstring family = L"\U0001F468\u200D\U0001F469\u200D\U0001F467";  // joined by ZWJ
    const std::wstring flags = L"\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA";  // two regional indicator pairs
    const std::wstring flood = L"e" + std::wstring(40, L'\x0903') + L"x";      // spacing marks, one column each
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
        // Emoji sequences: one emoji of two columns, whole or not at all.
        {family, INT_MAX, 8, 2},
        {family, 1, 0, 0},
        {family, 2, 8, 2},
        {L"\u2764\uFE0F!", 1, 0, 0},  // emoji presentation
        {L"\u2764\uFE0F!", 2, 2, 2},
        {L"\u2764!", 1, 1, 1},  // text presentation
        {L"1\uFE0F\u20E3", INT_MAX, 3, 2},  // a keycap
        {L"\U0001F44D\U0001F3FD", INT_MAX, 4, 2},  // a skin tone
        {flags, 3, 4, 2},
        {flags.substr(0, 6), INT_MAX, 6, 3},  // a lone indicator after a pair
        {L"\U0001FAE9", INT_MAX, 2, 2},  // an emoji block's code point unassigned in this table
        // A cluster counts its first 30 non-starters only.
        {flood, INT_MAX, 42, 32},
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
    EXPECT_EQ(TextColumns(family.c_str()), 2);
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
        {0x1FAE9, 2},  {0x1FAFF, 2},   {0x1FB00, 1},  {0x1F321, 1},   {0xAC00, 2},    {0xD7A3, 2},
        {0xE0100, 0},  {0xE01EF, 0},   {0xE01F0, 1},  {0x10FFFF, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CharacterColumns(c.c), c.columns) << std::hex << static_cast<unsigned>(c.c);
}

// Marks beyond what a cluster keeps are dropped; the rest stays as it was.
TEST(TextWidth, DropExcessNonStarters)
{
    std::wstring text = L"e" + std::wstring(40, L'\x0301') + L"\U0001F600" + std::wstring(31, L'\x0301') + L"!";
    EXPECT_EQ(DropExcessNonStarters(text.data(), text.size()), 64u);
    EXPECT_EQ(text.c_str(), L"e" + std::wstring(30, L'\x0301') + L"\U0001F600" + std::wstring(30, L'\x0301') + L"!");
}

// GraphemeBreakTest.txt of the database the table is generated from (Debian's
// unicode-data; ./run-tests installs it), read through Wine's Z: drive.
TEST(TextWidth, UnicodeGraphemeBreakTestAgrees)
{
    std::ifstream file("Z:\\usr\\share\\unicode\\auxiliary\\GraphemeBreakTest.txt");
    ASSERT_TRUE(file) << "no /usr/share/unicode/auxiliary/GraphemeBreakTest.txt: Debian's unicode-data is missing";
    int cases = 0;
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::wstring text;
        std::vector<size_t> breaks, found;
        for (std::string word; words >> word;) {
            if (word == "\xC3\xB7")  // a break; "\xC3\x97" is none
                breaks.push_back(text.size());
            else if (word != "\xC3\x97")
                text += Utf16(static_cast<char32_t>(std::stoul(word, nullptr, 16)));
        }
        if (text.empty())
            continue;
        ++cases;
        for (size_t at = 0; found.push_back(at), at < text.size();)
            at += NextCluster(text.data() + at, text.size() - at).units;
        EXPECT_EQ(found, breaks) << line;
    }
    EXPECT_EQ(cases, 602);  // the file of Unicode 15.0
}

TEST(ForeignTextMask, EveryControlCharacterBecomesOneMark)
{
    // Both ranges' edges, and a zero inside a counted text.
    wchar_t counted[] = L"\x1f \x7e\x7f\x80\x9f\xa0\x00\x1b[0m\x11\t\n\U0001F600";
    EXPECT_EQ(MaskControlCharacters(counted, 17), 9u);
    EXPECT_EQ(std::wstring(counted, 17), L"? ~???\xa0??[0m???\U0001F600");
    EXPECT_EQ(MaskControlCharacters(nullptr, 3), 0u);
    EXPECT_STREQ(ForeignText(nullptr).get(), L"");
    // Bidirectional embeddings, overrides and isolates and the two separators
    // too, at their ranges' edges; right-to-left letters and implicit marks stay.
    wchar_t bidi[] = L"\u2027\u2028\u202E\u202F\u2065\u2066\u2069\u206A\u200E\u200F\u05D0\u0627";
    EXPECT_EQ(MaskControlCharacters(bidi, 12), 4u);
    EXPECT_STREQ(bidi, L"\u2027??\u202F\u2065??\u206A\u200E\u200F\u05D0\u0627");
    // A copy keeps each cluster's first 30 marks; a text with none to drop is written as it is.
    const std::wstring flood = L"e" + std::wstring(40, L'\x0301') + L"\u202E!", cjk(40, L'\x4E00');
    EXPECT_EQ(ForeignText(flood.c_str()).get(), L"e" + std::wstring(30, L'\x0301') + L"?!");
    EXPECT_EQ(ForeignText(cjk.c_str()).get(), cjk);
}

}  // namespace
