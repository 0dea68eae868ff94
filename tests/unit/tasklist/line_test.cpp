// The process line and its pieces: CPU times, the short memory column, the
// priority and integrity words, the clipped last column, the fallbacks of a
// process that does not open, and the footer.
#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "frame/plugin.h"
#include "tests/support/capture.h"
#include "tests/unit/tasklist/fabricated.h"

using vornel::test::Capture;
using vornel::test::Processes;

namespace {

std::wstring CpuTime(ULONGLONG span)
{
    wchar_t text[1024];
    EXPECT_EQ(FormatCpuTime(span, text), 0);
    return text;
}

TEST(TasklistFormat, CpuTimeRoundsToTheNearestMillisecond)
{
    EXPECT_EQ(CpuTime(0), L"0:00:00.000");
    EXPECT_EQ(CpuTime(30045000), L"0:00:03.005");  // 3.0045 s: halves go up
    EXPECT_EQ(CpuTime(30044999), L"0:00:03.004");
    EXPECT_EQ(CpuTime(599995000), L"0:01:00.000");  // rounding carries into the minutes
    EXPECT_EQ(CpuTime(36000000000ULL * 123 + 600000000ULL * 4 + 10000000ULL * 5 + 60000), L"123:04:05.006");
    // Rounding up near the largest span does not wrap around to zero.
    EXPECT_EQ(CpuTime(18446744073709549999ULL), L"512409557:36:10.955");
    EXPECT_EQ(CpuTime(0xFFFFFFFFFFFFFFFFULL), L"512409557:36:10.955");
}

std::wstring ShortMemoryText(ULONGLONG bytes)
{
    ULONGLONG value = 0;
    wchar_t unit = ShortMemory(bytes, &value);
    return std::to_wstring(value) + unit;
}

TEST(TasklistFormat, ShortMemoryRoundsHalvesUpInItsUnit)
{
    EXPECT_EQ(ShortMemoryText(3ULL << 29), L"2G");  // 1.5 GiB
    EXPECT_EQ(ShortMemoryText(1ULL << 30), L"1G");
    EXPECT_EQ(ShortMemoryText((1ULL << 30) - 1), L"1024M");
    EXPECT_EQ(ShortMemoryText(300ULL << 20), L"300M");
    EXPECT_EQ(ShortMemoryText((1ULL << 20) + (1ULL << 19) - 1), L"1M");
    EXPECT_EQ(ShortMemoryText((1ULL << 20) + (1ULL << 19)), L"2M");
    EXPECT_EQ(ShortMemoryText(1ULL << 20), L"1M");
    EXPECT_EQ(ShortMemoryText(700 * 1024), L"700K");
    EXPECT_EQ(ShortMemoryText(0), L"0K");
}

TEST(TasklistFormat, IntegrityWordsByRangeAndUnknownPriorityClasses)
{
    EXPECT_STREQ(IntegrityWord(0x7000), L"Pro");
    EXPECT_STREQ(IntegrityWord(0x4FFF), L"Sys");
    EXPECT_STREQ(IntegrityWord(0x3000), L"Hi");
    EXPECT_STREQ(IntegrityWord(0x2FFF), L"Med");
    EXPECT_STREQ(IntegrityWord(0x1000), L"Low");
    EXPECT_STREQ(IntegrityWord(0xFFF), L"-");
    EXPECT_STREQ(IntegrityWord(0), L"-");
    EXPECT_STREQ(IntegrityWord(-1), L"");  // the process did not open
    EXPECT_STREQ(PriorityClassWord(0x4000), L"Below");
    EXPECT_STREQ(PriorityClassWord(0), L"Unknown");
    EXPECT_STREQ(PriorityClassWord(0x21), L"Unknown");
}

class TasklistLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetOutputState();
        InitOutputOptions(1);
    }
    void TearDown() override { ResetOutputState(); }

    std::wstring Clipped(const wchar_t* text, int room)
    {
        Capture capture;
        EXPECT_EQ(WriteClipped(text, room, 0), 0);
        return capture.out();
    }
    std::wstring Line(const vornel::test::Proc& proc, DWORD flags, int width = 120, DWORD ownPid = 0)
    {
        Processes list({proc});
        Capture capture;
        EXPECT_EQ(PrintProcessLine(list.get(), ownPid, flags, width, nullptr), 0);
        return capture.out();
    }
};

TEST_F(TasklistLine, ClippedTextKeepsItsRoomExactly)
{
    const wchar_t* text = L"0123456789abcdef";  // 16 characters
    EXPECT_EQ(Clipped(text, 16), text);
    EXPECT_EQ(Clipped(text, 100), text);
    EXPECT_EQ(Clipped(text, 15), L"0123456789ab...");
    EXPECT_EQ(Clipped(text, 10), L"0123456...");
    EXPECT_EQ(Clipped(text, 3), L"...");
    EXPECT_EQ(Clipped(text, 2), L"..");
    EXPECT_EQ(Clipped(text, 1), L".");
    EXPECT_EQ(Clipped(text, 0), L"");
    // The columns before used up the line: the text stays whole.
    EXPECT_EQ(Clipped(text, -1), text);
    EXPECT_EQ(Clipped(text, -40), text);
    EXPECT_EQ(WriteClipped(nullptr, 10, 0), -1);
}

TEST_F(TasklistLine, StartTextNameAndTitleFillTheLineBarOneColumn)
{
    std::wstring line = Line({42, 0, L"notepad", nullptr, L"A rather long window title that will not fit"}, 0, 40);
    EXPECT_EQ(line, L"   42  notepad           A rather lo...\r\n");
    EXPECT_EQ(line.size() - 2, 39u);
    // Service names come before the title.
    EXPECT_EQ(Line({42, 0, L"svchost", L"Event Log; Plug and Play", L"Hidden"}, 0),
              L"   42  svchost           Event Log; Plug and Play\r\n");
}

TEST_F(TasklistLine, OwnProcessMarkParentColumnAndHex)
{
    EXPECT_EQ(Line({300, 4, L"me"}, TL_PARENT, 120, 300), L"  300*     4 me              \r\n");
    EXPECT_EQ(Line({300, 0, L"me"}, TL_PARENT, 120, 301), L"  300        me              \r\n");
    EXPECT_EQ(Line({300, 255, L"me"}, TL_PARENT | TL_HEX), L"  12C     FF me              \r\n");
    // Wider IDs widen the start text and leave less room for the title.
    EXPECT_EQ(Line({1234567, 0, L"wide", nullptr, L"0123456789"}, 0, 40), L"1234567  wide              0123456789\r\n");
    EXPECT_EQ(Line({1234567, 0, L"wide", nullptr, L"0123456789abc"}, 0, 40),
              L"1234567  wide              012345678...\r\n");
}

TEST_F(TasklistLine, LongNameTakesItsOwnLength)
{
    EXPECT_EQ(Line({5, 0, L"averyveryverylongname", nullptr, L"title text"}, 0, 40),
              L"    5  averyveryverylongname  title ...\r\n");
}

TEST_F(TasklistLine, ProcessThatDoesNotOpenShowsFallbacks)
{
    // No process has this ID, so every query fails.
    const DWORD gone = 0xFFFFFFF0;
    std::wstring start = L"4294967280  ";
    EXPECT_EQ(Line({gone, 0, L"gone"}, TL_OWNER | TL_PRIORITY | TL_INTEGRITY | TL_TIMES | TL_MEMORY),
              start + std::wstring(18, L' ') + L"   -  " + L"     " + L"           -             -  " +
                  L"          -  " + L"gone            \r\n");
    EXPECT_EQ(Line({gone, 0, L"gone"}, TL_PRIORITY | TL_CLASS_NAMES | TL_MEMORY | TL_MEMORY_SHORT | TL_EXTRA),
              start + L"Unknown   " + L"    -  " + (OsIsVistaOrLater() ? L"   " : L"  ") + L"gone            \r\n");
    // No path for /F, no command line (and not the title) for /L.
    EXPECT_EQ(Line({gone, 0, L"gone", nullptr, L"Title"}, TL_FILENAME), start + L"gone            \r\n");
    EXPECT_EQ(Line({gone, 0, L"gone", nullptr, L"Title"}, TL_CMDLINE), start + L"gone            \r\n");
}

TEST_F(TasklistLine, WindowClassColumnIsEmptyWithoutALiveWindow)
{
    EXPECT_EQ(Line({8, 0, L"x", nullptr, L"Has a title"}, TL_WINCLASS),
              L"    8  " + std::wstring(22, L' ') + L"x                 Has a title\r\n");
}

TEST_F(TasklistLine, OwnProcessColumnsAreRead)
{
    DWORD self = GetCurrentProcessId();
    std::wstring line = Line({self, 0, L"unit_tests"}, TL_PRIORITY | TL_MEMORY | TL_FILENAME, 400, self);
    wchar_t start[32];
    wsprintfW(start, L"%5u* ", self);
    ASSERT_EQ(line.substr(0, wcslen(start)), start);
    std::wstring rest = line.substr(wcslen(start));
    EXPECT_EQ(rest.substr(0, 6), L"  20  ");  // normal priority class
    EXPECT_EQ(rest.substr(6 + 11, 2), L"  ");
    EXPECT_GT(std::stoull(rest.substr(6, 11)), 0ULL);
    EXPECT_EQ(rest.substr(19, 18), L"unit_tests        ");
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    EXPECT_EQ(_wcsicmp(rest.substr(37, rest.size() - 39).c_str(), path), 0) << rest;
}

TEST_F(TasklistLine, FooterCountsInSingularAndPlural)
{
    Capture capture;
    EXPECT_EQ(PrintFooter(0, 0, 0), 0);
    EXPECT_EQ(capture.out(), L"\r\n   Found 0 processes.\r\n");
    capture.clear();
    PrintFooter(1, 5, 0);
    EXPECT_EQ(capture.out(), L"\r\n   Found 1 process.\r\n");
    capture.clear();
    PrintFooter(1, 1, TL_THREADS);
    EXPECT_EQ(capture.out(), L"\r\n   Found 1 process and 1 thread.\r\n");
    capture.clear();
    PrintFooter(12, 0, TL_THREADS);
    EXPECT_EQ(capture.out(), L"\r\n   Found 12 processes and 0 threads.\r\n");
}

TEST_F(TasklistLine, FlatThreadLine)
{
    ThreadRecord thread{nullptr, nullptr, 0x1A4, 4, 8};
    Capture capture;
    EXPECT_EQ(PrintThreadLine(&thread, 0), 0);
    EXPECT_EQ(capture.out(), L"        TID:     420    Priority: 8\r\n");
    capture.clear();
    PrintThreadLine(&thread, TL_HEX);
    EXPECT_EQ(capture.out(), L"        TID: 000001A4    Priority: 8\r\n");
}

}  // namespace
