// The writers with colour output off: everything goes through the host, the
// colour codes and carriage returns vanish, line ends become the host's CrLf.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "console/console.h"
#include "frame/foreign_text.h"
#include "frame/owners.h"
#include "tests/support/capture.h"

using vornel::test::Capture;

namespace {

int Paged(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int result = PagedPrintf(format, args);
    va_end(args);
    return result;
}

class PlainWriters : public testing::Test {
protected:
    void SetUp() override
    {
        ResetOutputState();
        InitOutputOptions(1);
    }
    void TearDown() override { ResetOutputState(); }
    Capture capture;
};

TEST_F(PlainWriters, ColorCodesAndCarriageReturnsAreDroppedAndLinesContinue)
{
    SetColors(0x4321);  // a mark: no writer may report a colour change
    EXPECT_EQ(ColorPrintf(L"\x12%s\x11 has %d\r\n", L"name", 5), 0);
    EXPECT_EQ(ColorPrintf(L"\x13r\x14rh\x15" L"a\x16ra\x11.\n"), 0);
    EXPECT_EQ(Paged(L"%s\x12!\x11\n", L"paged"), 0);
    EXPECT_EQ(ColorPrintf(L"a\nb\n\nc"), 0);
    EXPECT_EQ(capture.out().back(), L'c');  // an unended line is written at once
    EXPECT_EQ(ColorPrintf(L"d%s\n", L"e"), 0);  // goes on with the unended line
    EXPECT_EQ(ColorPrintf(L"\t\x01\x17|\n"), 0);  // other control characters pass
    EXPECT_EQ(capture.out(), L"name has 5\r\nrrhara.\r\npaged!\r\na\r\nb\r\n\r\ncde\r\n\t\x01\x17|\r\n");
    EXPECT_EQ(OrshLastColors(), 0x4321);
}

TEST_F(PlainWriters, MicrosoftFormatsAndTextsOfAnyLength)
{
    EXPECT_EQ(ColorPrintf(L"%s|%5d|%-4u|%I64u|%c\n", L"wide", 42, 7u, 1ULL << 40, L'z'), 0);
    EXPECT_EQ(capture.out(), L"wide|   42|7   |1099511627776|z\r\n");
    // Far beyond any fixed buffer: the buffers follow the formatted length.
    capture.clear();
    std::wstring name(40000, L'n');
    name[39999] = L'Z';
    EXPECT_EQ(ColorPrintf(L"<%s>\n%s", name.c_str(), name.c_str()), 0);
    EXPECT_EQ(capture.out(), L"<" + name + L">\r\n" + name);
}

TEST_F(PlainWriters, NullAndEmptyFormatsAndHighlightedText)
{
    EXPECT_EQ(ColorPrintf(nullptr), -1);
    EXPECT_EQ(Paged(nullptr), -1);
    EXPECT_EQ(WriteColored(0x0F, nullptr), -1);
    EXPECT_EQ(WriteHighlighted(nullptr, 0x0F), 0);
    EXPECT_EQ(ColorPrintf(L""), 0);
    EXPECT_EQ(Paged(L""), 0);
    EXPECT_EQ(capture.out(), L"");
    // Without colours the text goes through the host as it is.
    EXPECT_EQ(WriteHighlighted(L"name \U0001F600", 0x0F), 0);
    EXPECT_EQ(capture.out(), L"name \U0001F600");
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

// Colours on, but no console to write to (the unit tests have none): the text goes nowhere, the line ends
// through the host, and after every colour code or highlight the host has the normal colour again.
TEST_F(PlainWriters, ColouredWritingWithoutAConsole)
{
    NormalColor = 0x07, HighlightColor = 0x0F, AltColor = 0x0E;
    ReverseNormalColor = 0x70, ReverseHighlightColor = 0xF0, ReverseAltColor = 0xE0;
    for (const wchar_t* text : {L"\x13r\x14rh\x15" L"a\x16ra\n\x12h\n", L"a\x13r"}) {
        SetColors(0x4321);
        EXPECT_EQ(ColorPrintf(text), 0);
        EXPECT_EQ(OrshLastColors(), 0x07) << text;
    }
    SetColors(0x4321);
    EXPECT_EQ(WriteHighlighted(L"n\U0001F600", 0x0F), 0);  // a surrogate pair: the cursor is set right after it
    EXPECT_EQ(OrshLastColors(), 0x07);
    EXPECT_EQ(capture.out(), L"\r\n\r\n");
    WriteConsoleText(nullptr);

    // Without console input and without a pause time nothing could answer a prompt: it goes on at once.
    vornel::unique_hfile input(CreateFileW(L"CONIN$", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    if (!input)
        EXPECT_EQ(WaitForKey(), ' ');

    // Ctrl-C while the page prompt waits inside a text: the rest of it is not written.
    PageLines = 5, LinesLeft = 1, PauseTime = 60000;
    std::atomic<bool> done = false;
    std::thread user([&done] {
        // Once the prompt is up (the page count restarted), press Ctrl-C until the writer has stopped.
        for (int i = 0; i < 1000 && *static_cast<volatile unsigned*>(&LinesLeft) != 5; ++i)
            Sleep(10);
        while (!done)
            CtrlHandler(CTRL_C_EVENT), Sleep(5);
    });
    EXPECT_EQ(ColorPrintf(L"first\nsecond\n"), STOPPED);
    done = true;
    user.join();
    EXPECT_EQ(capture.out(), L"\r\n\r\n\r\n");
    EXPECT_FALSE(CtrlHandler(CTRL_CLOSE_EVENT));  // other events are the system's
}

TEST_F(PlainWriters, CtrlCStopsAtTheNextLineEnd)
{
    CtrlCSeen = 1;
    EXPECT_EQ(Paged(L"first\nsecond\n"), STOPPED);
    EXPECT_EQ(capture.out(), L"first\r\n");
    // ColorPrintf stops before writing anything.
    CtrlCSeen = 1;
    EXPECT_EQ(ColorPrintf(L"never\n"), STOPPED);
    EXPECT_EQ(capture.out(), L"first\r\n");
}

}  // namespace
