// The writers with colour output off: everything goes through the host, the
// colour codes and carriage returns vanish, line ends become the host's CrLf.
#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "frame/foreign_text.h"
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
