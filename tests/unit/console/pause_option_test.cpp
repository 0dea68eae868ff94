// The /P switch: accepted forms, what they set, and the four error messages.
#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "tests/support/capture.h"

using vornel::test::Capture;

namespace {

struct Parsed {
    int result;
    unsigned int pauseTime;
    unsigned int lines;
    std::wstring word;  // as the routine left it (errors upper-case it)
};

Parsed Parse(const std::wstring& text, unsigned int pauseBefore = 12345)
{
    std::wstring word = text;
    PauseTime = pauseBefore;
    unsigned int lines = 777;
    int result = ParsePauseOption(word.data(), &lines);
    return {result, PauseTime, lines, word};
}

constexpr unsigned NO_LINES = 0xFFFFFFFF;

TEST(ParsePauseOption, AcceptedForms)
{
    Capture capture;
    const struct {
        const wchar_t* word;
        unsigned int pauseTime, lines;
    } cases[] = {
        {L"/P", 0, NO_LINES},          {L"-p", 0, NO_LINES},
        {L"/P:10", 10000, NO_LINES},   {L"/P=10", 10000, NO_LINES},
        {L"/P:250M", 250, NO_LINES},   {L"/p:250m", 250, NO_LINES},
        {L"/p:2,20", 2000, 20},        {L"-P=2;20", 2000, 20},
        {L"/P;5", 0, 5},               {L"/P,5", 0, 5},
        {L"/P:5,", 5000, NO_LINES},    {L"/P:5,0", 5000, 0},
        {L"/P:5,1000", 5000, 1000},    {L"/P:1m,3", 1, 3},
        {L"/P:0x10", 16000, NO_LINES}, {L"/P:0", 0, NO_LINES},
        // The largest pause in seconds whose milliseconds still fit 32 bits.
        {L"/P:4294967", 4294967000u, NO_LINES},
        {L"/P:4294967295M", 4294967295u, NO_LINES},
    };
    for (const auto& c : cases) {
        Parsed p = Parse(c.word);
        EXPECT_EQ(p.result, 0) << c.word;
        EXPECT_EQ(p.pauseTime, c.pauseTime) << c.word;
        EXPECT_EQ(p.lines, c.lines) << c.word;
        EXPECT_EQ(p.word, c.word);
    }
    EXPECT_EQ(capture.err(), L"");
    EXPECT_EQ(capture.out(), L"");
}

TEST(ParsePauseOption, OtherWordsChangeNothing)
{
    for (const wchar_t* word : {L"/X", L"P:5", L"/", L"", L"/Q:5"}) {
        Parsed p = Parse(word);
        EXPECT_EQ(p.result, 0) << word;
        EXPECT_EQ(p.pauseTime, 12345u) << word;
        EXPECT_EQ(p.lines, 777u) << word;
    }
}

TEST(ParsePauseOption, ErrorMessages)
{
    const struct {
        const wchar_t* word;
        const wchar_t* message;
        const wchar_t* wordAfter;
    } cases[] = {
        {L"/p:x", L"Vornel plugin: Syntax error: \"/P:X\"\r\n", L"/P:X"},
        {L"/p:5s", L"Vornel plugin: Syntax error: \"/P:5S\"\r\n", L"/P:5S"},
        {L"/p:5m,3x", L"Vornel plugin: Syntax error: \"/P:5M,3X\"\r\n", L"/P:5M,3X"},
        {L"/pause", L"Vornel plugin: Syntax error: \"/PAUSE\"\r\n", L"/PAUSE"},
        {L"/p:99999999999", L"Vornel plugin: Bad pause time: \"/P:99999999999\"\r\n", L"/P:99999999999"},
        // Milliseconds beyond 32 bits would wrap into a short time-out.
        {L"/p:5000000", L"Vornel plugin: Bad pause time: \"/P:5000000\"\r\n", L"/P:5000000"},
        {L"/p:4294968", L"Vornel plugin: Bad pause time: \"/P:4294968\"\r\n", L"/P:4294968"},
        {L"/p:1,99999999999", L"Vornel plugin: Bad pause lines: \"/P:1,99999999999\"\r\n", L"/P:1,99999999999"},
        // The range message quotes the number and leaves the word alone.
        {L"/p:5,1001", L"Vornel plugin: Pause lines must be 0 - 1000: 1001\r\n", L"/p:5,1001"},
    };
    for (const auto& c : cases) {
        Capture capture;
        Parsed p = Parse(c.word);
        EXPECT_EQ(p.result, 1) << c.word;
        EXPECT_EQ(capture.err(), c.message) << c.word;
        EXPECT_EQ(capture.out(), L"") << c.word;
        EXPECT_EQ(p.word, c.wordAfter);
    }
}

}  // namespace
