// The /P switch: accepted forms, what they set, and the four error messages.
#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "tests/support/capture.h"

using vornel::test::Capture;

namespace {

constexpr unsigned NO_LINES = 0xFFFFFFFF;

TEST(ParsePauseOption, AcceptedFormsAndOtherWords)
{
    Capture capture;
    const struct {
        const wchar_t* word;
        unsigned int pauseTime, lines;
    } cases[] = {
        {L"/P", 0, NO_LINES},          {L"-p", 0, NO_LINES},          {L"/P:10", 10000, NO_LINES},
        {L"/P=10", 10000, NO_LINES},   {L"/P:250M", 250, NO_LINES},   {L"/p:250m", 250, NO_LINES},
        {L"/p:2,20", 2000, 20},        {L"-P=2;20", 2000, 20},        {L"/P;5", 0, 5},
        {L"/P,5", 0, 5},               {L"/P:5,", 5000, NO_LINES},    {L"/P:5,0", 5000, 0},
        {L"/P:5,1000", 5000, 1000},    {L"/P:1m,3", 1, 3},            {L"/P:0x10", 16000, NO_LINES},
        {L"/P:0", 0, NO_LINES},
        // The largest pause in seconds whose milliseconds still fit 32 bits.
        {L"/P:4294967", 4294967000u, NO_LINES}, {L"/P:4294967295M", 4294967295u, NO_LINES},
        // Other words change nothing.
        {L"/X", 12345, 777}, {L"P:5", 12345, 777}, {L"/", 12345, 777}, {L"", 12345, 777}, {L"/Q:5", 12345, 777},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        std::wstring word = c.word;
        PauseTime = 12345;
        unsigned int lines = 777;
        EXPECT_EQ(ParsePauseOption(word.data(), &lines), 0);
        EXPECT_EQ(PauseTime, c.pauseTime);
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(word, c.word);
    }
    unsigned int lines = 777;
    EXPECT_EQ(ParsePauseOption(nullptr, &lines), 0);
    EXPECT_EQ(ParsePauseOption(std::wstring(L"/P").data(), nullptr), 0);
    EXPECT_EQ(lines, 777u);
    EXPECT_EQ(capture.err(), L"");
    EXPECT_EQ(capture.out(), L"");
}

TEST(ParsePauseOption, ErrorMessagesQuoteTheUpperCasedWord)
{
    const struct {
        const wchar_t* word;
        const wchar_t* message;
    } cases[] = {
        {L"/p:x", L"Syntax error: \"/P:X\""},
        {L"/p:5s", L"Syntax error: \"/P:5S\""},
        {L"/p:5m,3x", L"Syntax error: \"/P:5M,3X\""},
        {L"/pause", L"Syntax error: \"/PAUSE\""},
        // Digits of other scripts are other text, not a number too large.
        {L"/p:\uFF15", L"Syntax error: \"/P:\uFF15\""},
        {L"/p:1,\uFF12\uFF10", L"Syntax error: \"/P:1,\uFF12\uFF10\""},
        {L"/p:99999999999", L"Bad pause time: \"/P:99999999999\""},
        // Milliseconds beyond 32 bits would wrap into a short time-out.
        {L"/p:5000000", L"Bad pause time: \"/P:5000000\""},
        {L"/p:4294968", L"Bad pause time: \"/P:4294968\""},
        {L"/p:1,99999999999", L"Bad pause lines: \"/P:1,99999999999\""},
        // The range message quotes the number and leaves the word alone.
        {L"/p:5,1001", L"Pause lines must be 0 - 1000: 1001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        Capture capture;
        std::wstring word = c.word;
        unsigned int lines = 777;
        EXPECT_EQ(ParsePauseOption(word.data(), &lines), 1);
        EXPECT_EQ(capture.err(), L"Vornel plugin: " + std::wstring(c.message) + L"\r\n");
        EXPECT_EQ(capture.out(), L"");
        std::wstring message = c.message;
        std::wstring quoted = message.back() == L'"' ? message.substr(message.find(L'"') + 1) : c.word;
        EXPECT_EQ(word, quoted.substr(0, quoted.find(L'"')));
    }
}

}  // namespace
