// The shared command-line routines: splitting, numbers, sort keys, highlight
// lists, the error prefix and the usage printer.
#include <gtest/gtest.h>

#include <cerrno>
#include <cwctype>
#include <string>
#include <vector>

#include "frame/args.h"
#include "frame/errors.h"
#include "tests/support/capture.h"

using vornel::test::Capture;

namespace {

SplitWords Last;  // the words of the test's last split

std::vector<std::wstring> Split(const std::wstring& text, unsigned options)
{
    std::vector<std::wstring> words;
    int n = SplitArguments(text.c_str(), options, Last);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ((int)wcslen(Last.words[i]), Last.lengths[i]);
        words.emplace_back(Last.words[i]);
    }
    return words;
}

using Words = std::vector<std::wstring>;

TEST(SplitArguments, SwitchesQuotesAndCase)
{
    EXPECT_EQ(Split(L"/c/d   \"my app.exe\"   x", 0x85), (Words{L"/C", L"/D", L"MY APP.EXE", L"X"}));
    EXPECT_EQ(Split(L"/c/d   \"my app.exe\"   x", 0x05), (Words{L"/c", L"/d", L"my app.exe", L"x"}));
    // Quotes open and close anywhere; an empty pair is no word.
    EXPECT_EQ(Split(L"ab\"c d\"e \"\" f", 0x05), (Words{L"abc de", L"f"}));
    // Blanks inside quotes at the end of a word are not kept.
    EXPECT_EQ(Split(L"\"abc  \" next", 0x05), (Words{L"abc", L"next"}));
    EXPECT_EQ(Last.lengths[0], 3);
}

TEST(SplitArguments, SlashesInsideWords)
{
    EXPECT_EQ(Split(L"//server a/b", 0x85), (Words{L"//SERVER", L"A/B"}));
    EXPECT_EQ(Split(L"abc://host/path", 0x85), (Words{L"ABC://HOST/PATH"}));
    EXPECT_EQ(Split(L"/u:c:/x", 0x85), (Words{L"/U:C:", L"/X"}));
    // A quoted slash does not split, and without SA_SPLIT_SWITCH nothing does.
    EXPECT_EQ(Split(L"/a\"/b\"", 0x85), (Words{L"/A/B"}));
    EXPECT_EQ(Split(L"/a/b", 0x81), (Words{L"/A/B"}));
}

TEST(SplitArguments, EmptyAndNull)
{
    EXPECT_EQ(SplitArguments(nullptr, 0x85, Last), -1);
    EXPECT_EQ(SplitArguments(L"  \t ", 0x85, Last), 0);
    EXPECT_EQ(Last.count, 0);
}

TEST(SplitArguments, BufferLimit)
{
    Capture capture;
    std::wstring fits(8191, L'a');
    EXPECT_EQ(SplitArguments(fits.c_str(), 0x85, Last), 1);
    EXPECT_EQ(Last.lengths[0], 8191);
    EXPECT_EQ(capture.err(), L"");

    std::wstring tooLong(8192, L'a');
    EXPECT_EQ(SplitArguments(tooLong.c_str(), 0x85, Last), -1);
    EXPECT_EQ(Last.count, 0);
    EXPECT_EQ(capture.err(), L"Vornel plugin: Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n");
}

TEST(SplitArguments, WordsPastTheTableAreDropped)
{
    std::wstring text;
    for (int i = 0; i < 1030; ++i)
        text += L"w" + std::to_wstring(i) + L" ";
    EXPECT_EQ(SplitArguments(text.c_str(), 0x05, Last), 1024);
    EXPECT_EQ(Last.count, 1024);
    EXPECT_STREQ(Last.words[1023], L"w1023");
}

TEST(ParseNumber, DecimalAndHexadecimal)
{
    unsigned value = 77;
    wchar_t* end = nullptr;
    EXPECT_EQ(ParseNumber(L"0x1F", &value, nullptr), 0);
    EXPECT_EQ(value, 31u);
    EXPECT_EQ(ParseNumber(L"4294967295", &value, nullptr), 0);
    EXPECT_EQ(value, 4294967295u);
    EXPECT_EQ(ParseNumber(L"0XfFfFfFfF", &value, nullptr), 0);
    EXPECT_EQ(value, 0xFFFFFFFFu);
    // "0x" alone is the decimal 0 followed by an x.
    value = 77;
    EXPECT_EQ(ParseNumber(L"0x", &value, nullptr), -1);
    EXPECT_EQ(value, 77u);
    EXPECT_EQ(ParseNumber(L"0x", &value, &end), 0);
    EXPECT_EQ(value, 0u);
    EXPECT_STREQ(end, L"x");

    const wchar_t* text = L"12abc";
    EXPECT_EQ(ParseNumber(text, &value, &end), 0);
    EXPECT_EQ(value, 12u);
    EXPECT_EQ(end, text + 2);
    // Only ASCII digits: a full-width digit ends the number.
    text = L"0x0x5 1\uFF12";
    EXPECT_EQ(ParseNumber(text, &value, &end), 0);
    EXPECT_EQ(end, text + 3);
    EXPECT_EQ(ParseNumber(text + 6, &value, &end), 0);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(end, text + 7);
}

TEST(ParseNumber, Rejections)
{
    unsigned value = 5;
    EXPECT_EQ(ParseNumber(L"4294967296", &value, nullptr), ERANGE);
    EXPECT_EQ(ParseNumber(L"0x100000000", &value, nullptr), ERANGE);
    EXPECT_EQ(ParseNumber(L"99999999999999999999999x", &value, nullptr), ERANGE);
    EXPECT_EQ(value, 5u);
    // Digits of other scripts are text: full-width, Arabic-Indic, a full-width hexadecimal digit.
    for (const wchar_t* text : {L"\uFF10\uFF17\uFF18\uFF10", L"\u0667\u0668", L"7\uFF18", L"0x\uFF21"})
        EXPECT_EQ(ParseNumber(text, &value, nullptr), -1) << testing::PrintToString(std::wstring(text));
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(ParseNumber(L"-1", &value, nullptr), -1);
    EXPECT_EQ(ParseNumber(L" 1", &value, nullptr), -1);
    EXPECT_EQ(ParseNumber(L"", &value, nullptr), -1);
    EXPECT_EQ(ParseNumber(nullptr, &value, nullptr), -1);
    EXPECT_EQ(ParseNumber(L"12ab", &value, nullptr), -1);
    EXPECT_EQ(ParseNumber(L"0x0x5", &value, nullptr), -1);
}

TEST(ParseProcessId, NumbersAndTheDotWhereTaken)
{
    DWORD id = 5;
    EXPECT_TRUE(ParseProcessId(L"0x1F", &id));
    EXPECT_EQ(id, 0x1Fu);
    EXPECT_TRUE(ParseProcessId(L".", &id, DotWord::CurrentProcess));
    EXPECT_EQ(id, GetCurrentProcessId());
    id = 5;
    // "." where no dot is taken, a full-width number, a number with more after it: names, ID untouched.
    EXPECT_FALSE(ParseProcessId(L".", &id));
    EXPECT_FALSE(ParseProcessId(L"\uFF17\uFF18", &id, DotWord::CurrentProcess));
    EXPECT_FALSE(ParseProcessId(L"12.exe", &id, DotWord::CurrentProcess));
    EXPECT_EQ(id, 5u);
}

TEST(ParseSortKeys, KeysReversalAndLimits)
{
    wchar_t keys[SORT_KEYS_SIZE] = L"junk";
    EXPECT_EQ(ParseSortKeys(L":-NP", L"PNTZ", keys), 0);
    EXPECT_STREQ(keys, L"nP");
    EXPECT_EQ(ParseSortKeys(L"=u", L"PNTZ", keys), 0);
    EXPECT_STREQ(keys, L"");
    EXPECT_EQ(ParseSortKeys(L"NNNNPPPPTTTTZZZZ", L"PNTZ", keys), 0);
    EXPECT_STREQ(keys, L"NNNNPPPPTTTTZZZ");
    // The reversal mark belongs to the next letter only.
    EXPECT_EQ(ParseSortKeys(L"-n-pz", L"PNTZ", keys), 0);
    EXPECT_STREQ(keys, L"npZ");
    EXPECT_EQ(ParseSortKeys(nullptr, L"PNTZ", keys), 0);  // no keys: the default order
    EXPECT_STREQ(keys, L"");
    EXPECT_EQ(ParseSortKeys(L":N", nullptr, keys), -1);
    EXPECT_EQ(ParseSortKeys(L":N", L"PN", nullptr), -1);
}

TEST(ParseSortKeys, BadKeyMessage)
{
    Capture capture;
    wchar_t keys[SORT_KEYS_SIZE];
    EXPECT_EQ(ParseSortKeys(L":Nq", L"PNTZ", keys), 1);
    EXPECT_EQ(capture.err(), L"Vornel plugin: Bad sort key: /O:Q\r\n");
}

TEST(AppendHighlightPattern, JoiningAndLimits)
{
    std::wstring list(HIGHLIGHT_SIZE, L'\0');
    EXPECT_EQ(AppendHighlightPattern(L"|cmd*", list.data()), 1);
    EXPECT_STREQ(list.c_str(), L"cmd*");
    EXPECT_EQ(AppendHighlightPattern(L"x*", list.data()), 1);
    EXPECT_STREQ(list.c_str(), L"cmd*|x*");
    EXPECT_EQ(AppendHighlightPattern(L"|", list.data()), 0);
    EXPECT_STREQ(list.c_str(), L"cmd*|x*");
    EXPECT_EQ(AppendHighlightPattern(L"a", nullptr), -1);

    // A pattern that would reach the end is refused; the separator stays.
    std::wstring big(HIGHLIGHT_SIZE - 8, L'b');
    EXPECT_EQ(AppendHighlightPattern(big.c_str(), list.data()), 0);
    EXPECT_STREQ(list.c_str(), L"cmd*|x*|");
    std::wstring fits(HIGHLIGHT_SIZE - 9, L'c');
    EXPECT_EQ(AppendHighlightPattern(fits.c_str(), list.data()), 1);
    EXPECT_EQ(wcslen(list.c_str()), (size_t)HIGHLIGHT_SIZE - 1);
    EXPECT_EQ(AppendHighlightPattern(L"d", list.data()), 0);
}

TEST(PrintErrorPrefix, NamesTheBatchPosition)
{
    Capture capture;
    PrintError(L"");
    EXPECT_EQ(capture.err(), L"Vornel plugin: ");
    capture.clear();
    OrshSetBatch(L"C:\\scripts\\job.btm", 12);
    PrintError(L"");
    OrshSetBatch(nullptr, 0);
    EXPECT_EQ(capture.err(), L"Vornel plugin: C:\\scripts\\job.btm [12]  ");
}

TEST(ShowUsage, TextAndVersionLines)
{
    Capture capture;
    EXPECT_EQ(ShowUsage(L"usage\n", 0), 0);
    EXPECT_EQ(capture.out(), L"usage\n");
    capture.clear();
    ShowUsage(L"usage\n", 1);
    EXPECT_EQ(capture.out(), L"usage\n\r\n\t\t\t\tVornel  1.0.25.3 (x64)\r\n\t\t\t\tplugin.cpp  1.0.25.2\r\n");
}

TEST(FormatSystemMessage, SystemMessages)
{
    wchar_t message[MESSAGE_SIZE];
    FormatSystemMessage(0xFFFFFFFF, message);
    EXPECT_STREQ(message, L"Unknown error");
    FormatSystemMessage(0x3FFF1234, message);  // no such system message
    EXPECT_STREQ(message, L"Error 1073680948");

    // A known code: the system's own text without its trailing line end.
    wchar_t expected[MESSAGE_SIZE];
    ASSERT_GT(FormatMessageW(0x12FF, nullptr, ERROR_ACCESS_DENIED, 0, expected, MESSAGE_SIZE, nullptr), 0u);
    FormatSystemMessage(ERROR_ACCESS_DENIED, message);
    std::wstring text = message;
    ASSERT_FALSE(text.empty());
    EXPECT_FALSE(iswspace(text.back()));
    EXPECT_EQ(std::wstring(expected).rfind(text, 0), 0u);
}

}  // namespace
