// The process line and its pieces: CPU times, the short memory column, the
// priority and integrity words, the clipped last column, the fallbacks of a
// process that does not open, and the footer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "console/console.h"
#include "frame/plugin.h"
#include "tests/support/capture.h"
#include "tests/unit/tasklist/fabricated.h"

using vornel::test::Capture;
using vornel::test::Processes;

namespace {

// A stand-in for the system's list of every process: a record every 0x100
// bytes as the 64-bit system lays them out, or FakeStatus; a call with too
// little room is told FakeClaimed, when set, instead of the size it needs.
struct FakeProcess {
    DWORD pid;
    ULONGLONG created, kernel, user, workingSet;
};
std::vector<FakeProcess> FakeList;
LONG FakeStatus = 0;
ULONG FakeClaimed = 0;
int FakeCalls = 0;

LONG WINAPI FakeQuery(ULONG, PVOID buffer, ULONG size, PULONG needed)
{
    ++FakeCalls;
    const ULONG want = ULONG(FakeList.size() * 0x100);
    *needed = FakeStatus ? size + 1 : (size < want && FakeClaimed ? FakeClaimed : want);
    if (FakeStatus || size < want)
        return FakeStatus ? FakeStatus : LONG(0xC0000004);
    memset(buffer, 0, want);
    for (size_t i = 0; i < FakeList.size(); ++i) {
        auto put = [at = static_cast<BYTE*>(buffer) + i * 0x100](size_t offset, auto value) {
            memcpy(at + offset, &value, sizeof value);
        };
        const FakeProcess& p = FakeList[i];
        put(0, ULONG(i + 1 < FakeList.size() ? 0x100 : 0));
        put(0x20, p.created), put(0x28, p.user), put(0x30, p.kernel);
        put(0x50, ULONG_PTR(p.pid)), put(0x90, SIZE_T(p.workingSet));
    }
    return 0;
}

TEST(TasklistFormat, CpuTimeAndShortMemoryRoundHalvesUp)
{
    const struct {
        ULONGLONG span;
        const wchar_t* text;
    } times[] = {
        {0, L"0:00:00.000"},
        {30045000, L"0:00:03.005"},  // 3.0045 s
        {30044999, L"0:00:03.004"},
        {599995000, L"0:01:00.000"},  // rounding carries into the minutes
        {36000000000ULL * 123 + 600000000ULL * 4 + 10000000ULL * 5 + 60000, L"123:04:05.006"},
        // Rounding up near the largest span does not wrap around to zero.
        {18446744073709549999ULL, L"512409557:36:10.955"},
        {0xFFFFFFFFFFFFFFFFULL, L"512409557:36:10.955"},
    };
    for (const auto& t : times) {
        wchar_t text[1024];
        EXPECT_EQ(FormatCpuTime(t.span, text), 0);
        EXPECT_STREQ(text, t.text) << t.span;
    }
    const struct {
        ULONGLONG bytes;
        const wchar_t* text;
    } sizes[] = {
        {3ULL << 29, L"2G"},  {1ULL << 30, L"1G"},    {(1ULL << 30) - 1, L"1024M"},
        {300ULL << 20, L"300M"},  {(1ULL << 20) + (1ULL << 19) - 1, L"1M"}, {(1ULL << 20) + (1ULL << 19), L"2M"},
        {1ULL << 20, L"1M"},  {700 * 1024, L"700K"},  {0, L"0K"},
    };
    for (const auto& s : sizes) {
        ULONGLONG value = 0;
        wchar_t unit = ShortMemory(s.bytes, &value);
        EXPECT_EQ(std::to_wstring(value) + unit, s.text) << s.bytes;
    }
}

TEST(TasklistFormat, IntegrityWordsByRangeAndUnknownPriorityClasses)
{
    const struct {
        int level;
        const wchar_t* word;
    } words[] = {{0x7000, L"Pro"}, {0x4FFF, L"Sys"}, {0x3000, L"Hi"}, {0x2FFF, L"Med"},
                 {0x1000, L"Low"}, {0xFFF, L"-"},    {0, L"-"},       {-1, L""}};  // -1: did not open
    for (const auto& w : words)
        EXPECT_STREQ(IntegrityWord(w.level), w.word) << w.level;
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

    std::wstring Line(const vornel::test::Proc& proc, DWORD flags, int width = 120, DWORD ownPid = 0)
    {
        Processes list({proc});
        capture.clear();
        EXPECT_EQ(PrintProcessLine(list.get(), ownPid, flags, width, nullptr), 0);
        return capture.out();
    }
    Capture capture;
};

TEST_F(TasklistLine, ClippedTextKeepsItsRoomExactly)
{
    const std::wstring text = L"0123456789abcdef";  // 16 characters
    const std::wstring emoji = L"a\U0001F600\U0001F600\U0001F600", cjk = L"\u4E00\u4E8C\u4E09\u56DB";
    const std::wstring marks = L"e\u0301e\u0301e\u0301e\u0301e\u0301";
    // A cluster keeps 30 marks, so the text after a flood of them shows;
    // the cut counts columns, however many code units they take.
    const std::wstring manyMarks = L"a" + std::wstring(9000, L'\x0301') + L"bcde", manyPairs = [] {
        std::wstring s = L"a";
        for (int i = 0; i < 5000; ++i)
            s += L"\U000E0100";  // variation selectors 17 and on: surrogate pairs
        return s + L"bcde";
    }();
    const std::wstring wide(9000, L'x'), flag = L"ab\U0001F1EB\U0001F1F7", joined = L"ab\U0001F468\u200D\U0001F469";
    const struct {
        const std::wstring& text;
        int room;
        std::wstring written;
    } cases[] = {{text, 16, text}, {text, 100, text}, {text, 15, L"0123456789ab..."}, {text, 10, L"0123456..."},
                 {text, 3, L"..."}, {text, 2, L".."}, {text, 1, L"."}, {text, 0, L""},
                 // The columns before used up the line: the text stays whole.
                 {text, -1, text}, {text, -40, text},
                 // Columns, not code units; a wide character that would cross the
                 // limit stays out, and a mark stays with its base.
                 {emoji, 7, emoji}, {emoji, 6, L"a\U0001F600..."}, {emoji, 5, L"a..."},
                 {cjk, 8, cjk}, {cjk, 7, L"\u4E00\u4E8C..."}, {cjk, 6, L"\u4E00..."},
                 {marks, 5, marks}, {marks, 4, L"e\u0301..."},
                 {manyMarks, 4, manyMarks.substr(0, 31) + L"..."}, {manyPairs, 4, manyPairs.substr(0, 61) + L"..."},
                 {manyMarks, 5, manyMarks.substr(0, 31) + L"bcde"}, {wide, 8500, wide.substr(0, 8497) + L"..."},
                 // Neither a flag nor a joined sequence is cut in two.
                 {flag, 4, flag}, {flag, 3, L"..."}, {L"x" + flag, 4, L"x..."}, {joined, 4, joined}, {L"x" + joined, 4, L"x..."}};
    for (const auto& c : cases) {
        capture.clear();
        EXPECT_EQ(WriteClipped(c.text.c_str(), c.room, 0), 0);
        EXPECT_EQ(capture.out(), c.written) << testing::PrintToString(c.text.substr(0, 20)) << " in " << c.room;
    }
    EXPECT_EQ(WriteClipped(nullptr, 10, 0), -1);
}

TEST_F(TasklistLine, StartNameAndLastColumn)
{
    // The title fills the line bar one column.
    std::wstring line = Line({42, 0, L"notepad", nullptr, L"A rather long window title that will not fit"}, 0, 40);
    EXPECT_EQ(line, L"   42  notepad           A rather lo...\r\n");
    EXPECT_EQ(line.size() - 2, 39u);
    // Service names come before the title.
    EXPECT_EQ(Line({42, 0, L"svchost", L"Event Log; Plug and Play", L"Hidden"}, 0),
              L"   42  svchost           Event Log; Plug and Play\r\n");
    EXPECT_EQ(Line({300, 4, L"me"}, TL_PARENT, 120, 300), L"  300*     4 me              \r\n");
    EXPECT_EQ(Line({300, 0, L"me"}, TL_PARENT, 120, 301), L"  300        me              \r\n");
    EXPECT_EQ(Line({300, 255, L"me"}, TL_PARENT | TL_HEX), L"  12C     FF me              \r\n");
    // Wider IDs widen the start text and leave less room for the title.
    EXPECT_EQ(Line({1234567, 0, L"wide", nullptr, L"0123456789"}, 0, 40), L"1234567  wide              0123456789\r\n");
    EXPECT_EQ(Line({1234567, 0, L"wide", nullptr, L"0123456789abc"}, 0, 40),
              L"1234567  wide              012345678...\r\n");
    // A long name takes its own length.
    EXPECT_EQ(Line({5, 0, L"averyveryverylongname", nullptr, L"title text"}, 0, 40),
              L"    5  averyveryverylongname  title ...\r\n");
    // Columns that fill the line leave the last text its least room.
    for (int width : {33, 4})
        EXPECT_EQ(Line({5, 0, L"averyveryverylongname", nullptr, L"a title longer than twenty columns"}, 0, width),
                  L"    5  averyveryverylongname  a title longer th...\r\n");
    // Names and titles by their columns: a wide name pads to 16 columns and a
    // wide title that would cross the limit stops a column short of it.
    EXPECT_EQ(Line({9, 0, L"\u8BB0\u4E8B\u672C", nullptr, L"\u4E00\u4E8C\u4E09\u56DB\u4E94\u516D\u4E03\u516B"}, 0, 40),
              L"    9  \u8BB0\u4E8B\u672C" + std::wstring(10, L' ') + L"  \u4E00\u4E8C\u4E09\u56DB\u4E94...\r\n");
    // The window class column is empty without a live window.
    EXPECT_EQ(Line({8, 0, L"x", nullptr, L"Has a title"}, TL_WINCLASS),
              L"    8  " + std::wstring(22, L' ') + L"x                 Has a title\r\n");
    // No record, no line; an empty highlight list is none.
    EXPECT_EQ(PrintProcessLine(nullptr, 0, 0, 120, nullptr), -1);
    Processes list({{9, 0, L"x"}});
    capture.clear();
    EXPECT_EQ(PrintProcessLine(list.get(), 0, 0, 120, L""), 0);
    EXPECT_EQ(capture.out(), L"    9  x               \r\n");
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

TEST_F(TasklistLine, MemoryAndTimesFromTheSystemsList)
{
    auto saved = NtQuerySystemInformationFn;
    vornel::scope_exit restore([saved] { NtQuerySystemInformationFn = saved; });
    NtQuerySystemInformationFn = FakeQuery;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG later = ULARGE_INTEGER{{now.dwLowDateTime, now.dwHighDateTime}}.QuadPart + 36000000000ULL;

    // An ID no process has does not open: only the system's list tells its
    // memory and times. 1,101 records do not fit the buffer that the answer
    // of one record leaves, nor 5,001 the one that 1,101 leave.
    const DWORD gone = 0xFFFFFFF0;
    const FakeProcess record = {gone, 1, 37230040000ULL, 2500000, 123456789};
    std::vector<FakeProcess> many(1100, {0x4000, 1, 0, 0, 1}), more(5000, {0x4000, 1, 0, 0, 1});
    many.push_back(record);
    more.push_back(record);
    const std::vector<FakeProcess> one = {record}, reused = {{gone, later, 1, 1, 1}}, other = {{gone - 4, 1, 1, 1, 1}};
    const std::wstring read = L" 1:02:03.004   0:00:00.250    123456789  ",
                       none = L"           -             -            -  ";
    const struct {
        const std::vector<FakeProcess>& list;
        LONG status;
        ULONG claimed;
        const std::wstring& columns;
    } rows[] = {
        {one, 0, 0, read},
        {many, 0, 0, read},
        {more, 0, 1000, read},  // a first answer that asks for too little
        {reused, 0, 0, none},   // created after the listing began: the ID was taken over
        {other, 0, 0, none},
        {one, LONG(0xC0000002), 0, none},  // the query fails
        {one, LONG(0xC0000004), 0, none},  // and keeps failing to say how much it needs
    };
    for (const auto& row : rows) {
        FakeList = row.list, FakeStatus = row.status, FakeClaimed = row.claimed, FakeCalls = 0;
        ProcessScope listing(false);
        EXPECT_EQ(Line({gone, 0, L"gone"}, TL_TIMES | TL_MEMORY), L"4294967280  " + row.columns + L"gone            \r\n")
            << row.list.size() << " " << row.status;
        // A bounded number of tries, for the whole listing: another line
        // asks nothing more.
        const int calls = FakeCalls;
        EXPECT_TRUE(calls >= 1 && calls <= 6) << calls;
        Line({gone - 8, 0, L"other"}, TL_TIMES | TL_MEMORY);
        EXPECT_EQ(FakeCalls, calls);
    }

    // Without the list, a process that opens answers for itself: the same
    // line but for the digits of its times and working set, which move.
    auto own = [this, saved](bool list) {
        NtQuerySystemInformationFn = list ? saved : nullptr;
        ProcessScope listing(false);
        std::wstring line = Line({GetCurrentProcessId(), 0, L"me"}, TL_TIMES | TL_MEMORY);
        for (size_t i = 7; i < 7 + 28 + 13; ++i)
            line[i] = iswdigit(line[i]) ? L'#' : line[i];
        return line;
    };
    EXPECT_EQ(own(false), own(true));
    EXPECT_EQ(own(false).find(L'-'), std::wstring::npos);
}

TEST_F(TasklistLine, FooterAndFlatThreadLine)
{
    const struct {
        unsigned processes, threads;
        DWORD flags;
        const wchar_t* text;
    } footers[] = {
        {0, 0, 0, L"\r\n   Found 0 processes.\r\n"},
        {1, 5, 0, L"\r\n   Found 1 process.\r\n"},
        {1, 1, TL_THREADS, L"\r\n   Found 1 process and 1 thread.\r\n"},
        {12, 0, TL_THREADS, L"\r\n   Found 12 processes and 0 threads.\r\n"},
    };
    for (const auto& f : footers) {
        capture.clear();
        EXPECT_EQ(PrintFooter(f.processes, f.threads, f.flags), 0);
        EXPECT_EQ(capture.out(), f.text);
    }
    ThreadRecord thread{nullptr, nullptr, 0x1A4, 4, 8};
    capture.clear();
    EXPECT_EQ(PrintThreadLine(&thread, 0), 0);
    EXPECT_EQ(PrintThreadLine(&thread, TL_HEX), 0);
    EXPECT_EQ(capture.out(), L"        TID:     420    Priority: 8\r\n        TID: 000001A4    Priority: 8\r\n");
}

}  // namespace
