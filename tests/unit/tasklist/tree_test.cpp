// Process trees from built lists: connectors and thread lines as the user
// sees them, widths running out, parent links that loop, chains deeper than
// the prefix buffer, and a stop in the middle of a tree.
#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "tests/support/capture.h"
#include "tests/unit/tasklist/fabricated.h"

using vornel::test::Capture;
using vornel::test::Processes;

namespace {

// The lines of a capture, their trailing blanks (the name column) removed.
std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0, end;
    while ((end = text.find(L"\r\n", start)) != std::wstring::npos) {
        std::wstring line = text.substr(start, end - start);
        line.erase(line.find_last_not_of(L' ') + 1);
        lines.push_back(line);
        start = end + 2;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));  // an unended last line
    return lines;
}

using Text = std::vector<std::wstring>;

// A tree of a list of its own, with the listing's lookups built for it.
int PrintProcessTree(ProcessRecord* list, const ThreadRecord* threads, ProcessRecord* record, DWORD ownPid,
                     DWORD flags, int width, unsigned* processCount, unsigned* threadCount, const wchar_t* prefix,
                     bool last, const wchar_t* highlight)
{
    if (!record)
        return -1;
    return PrintProcessTree(ListingIndex(list, threads), record, ownPid, flags, width, processCount, threadCount,
                            prefix, last, highlight);
}

class TasklistTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetOutputState();
        InitOutputOptions(1);
    }
    void TearDown() override { ResetOutputState(); }

    Text Print(const Processes& list, DWORD rootPid, DWORD flags = 0, int width = 120, const wchar_t* prefix = nullptr,
               bool last = false)
    {
        Capture capture;
        processCount = threadCount = 0;
        result = PrintProcessTree(list.get(), list.threads(), list.find(rootPid), 0, flags, width, &processCount,
                                  &threadCount, prefix, last, nullptr);
        return Lines(capture.out());
    }

    int result = 0;
    unsigned processCount = 0, threadCount = 0;
};

TEST_F(TasklistTree, ChildrenDepthFirstWithConnectorsAndThreadLines)
{
    Processes list({{4, 0, L"System"}, {100, 4, L"smss"}, {200, 4, L"csrss"}, {300, 100, L"winlogon"}});
    EXPECT_EQ(Print(list, 4), (Text{L"    4  System", L"  ├─  100  smss", L"  │ └─  300  winlogon",
                                      L"  └─  200  csrss"}));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(processCount, 4u);
    list.AddThread(104, 100, 11);
    list.AddThread(8, 4, 13);
    list.AddThread(304, 300, 8);
    EXPECT_EQ(Print(list, 4, TL_THREADS), (Text{
                                              L"    4  System",
                                              L"  │     TID:       8    Priority: 13",
                                              L"  ├─  100  smss",
                                              L"  │ │     TID:     104    Priority: 11",
                                              L"  │ └─  300  winlogon",
                                              L"  │         TID:     304    Priority: 8",
                                              L"  └─  200  csrss",
                                          }));
    EXPECT_EQ(processCount, 4u);
    EXPECT_EQ(threadCount, 3u);
    EXPECT_EQ(Print(list, 100, TL_THREADS | TL_HEX), (Text{
                                                         L"   64  smss",
                                                         L"  │     TID: 00000068    Priority: 11",
                                                         L"  └─  12C  winlogon",
                                                         L"          TID: 00000130    Priority: 8",
                                                     }));
    // Sorted by working set, largest first (/O:-M): siblings in that order
    // on every level.
    Processes byMemory({{7, 0, L"root", nullptr, nullptr, 10},
                        {9, 7, L"b", nullptr, nullptr, 100},
                        {6, 9, L"c", nullptr, nullptr, 1},
                        {8, 7, L"a", nullptr, nullptr, 500},
                        {5, 9, L"d", nullptr, nullptr, 2}},
                       L"m");
    EXPECT_EQ(Print(byMemory, 7), (Text{L"    7  root", L"  ├─    8  a", L"  └─    9  b", L"    ├─    5  d",
                                        L"    └─    6  c"}));
}

TEST_F(TasklistTree, ExhaustedWidthDropsTheConnectors)
{
    Processes list({{1, 0, L"a"}, {2, 1, L"b"}, {3, 2, L"c"}, {4, 3, L"d"}});
    EXPECT_EQ(Print(list, 1, 0, 12), (Text{L"    1  a", L"  └─    2  b", L"    └─    3  c", L"    4  d"}));
}

TEST_F(TasklistTree, SubtreeUnderAGivenPrefix)
{
    Processes list({{1, 0, L"a"}, {2, 1, L"b"}, {3, 1, L"c"}});
    EXPECT_EQ(Print(list, 1, 0, 120, L"* "), (Text{L"* ├─    1  a", L"* │ ├─    2  b", L"* │ └─    3  c"}));
    EXPECT_EQ(Print(list, 1, 0, 120, L"* ", true), (Text{L"* └─    1  a", L"*   ├─    2  b", L"*   └─    3  c"}));
    // A prefix longer than the buffer is cut to it.
    EXPECT_EQ(Print(list, 2, 0, 2000, std::wstring(1100, L'*').c_str()), (Text{std::wstring(1023, L'*') + L"├─    2  b"}));
    EXPECT_EQ(PrintProcessTree(list.get(), nullptr, nullptr, 0, 0, 120, nullptr, nullptr, nullptr, false, nullptr), -1);
    EXPECT_EQ(PrintProcessTree(ListingIndex(list.get(), nullptr), nullptr, 0, 0, 120, nullptr, nullptr, nullptr, false,
                               nullptr), -1);
}

TEST_F(TasklistTree, ParentCycleIsCutAndOtherTreesStayTheSame)
{
    // 10 and 11 name each other as parent; 12 hangs off the loop.
    Processes list({{10, 11, L"loopA"}, {1, 0, L"init"}, {11, 10, L"loopB"}, {2, 1, L"child"}, {12, 11, L"tail"}});
    EXPECT_EQ(Print(list, 10), (Text{L"   10  loopA", L"  └─   11  loopB", L"    └─   12  tail"}));
    EXPECT_EQ(Print(list, 11), (Text{L"   11  loopB", L"  ├─   10  loopA", L"  └─   12  tail"}));
    EXPECT_EQ(Print(list, 1), (Text{L"    1  init", L"  └─    2  child"}));
    for (ProcessRecord* r = list.get(); r; r = r->next)
        EXPECT_EQ(r->mark, 0u) << r->entry.th32ProcessID;
    // Children follow the list order; a process listed as its own parent is
    // not its own child.
    Processes self({{7, 7, L"self"}, {9, 7, L"b"}, {8, 7, L"a"}});
    EXPECT_EQ(Print(self, 7), (Text{L"    7  self", L"  ├─    9  b", L"  └─    8  a"}));
}

TEST_F(TasklistTree, ChainDeeperThanThePrefixBufferPrintsEveryProcess)
{
    constexpr DWORD depth = 3000;
    std::vector<vornel::test::Proc> procs;
    for (DWORD pid = 1; pid <= depth; ++pid)
        procs.push_back({pid, pid - 1, L"p"});
    Processes list(procs);
    list.AddThread(77, depth, 9);
    Text lines = Print(list, 1, TL_THREADS);
    ASSERT_EQ(lines.size(), depth + 1);
    EXPECT_EQ(processCount, depth);
    EXPECT_EQ(lines[1], L"  └─    2  p");
    EXPECT_EQ(lines[depth - 1], L" 3000  p");
    // The prefix stops growing at 1022 characters; the thread line adds its
    // own two columns to it.
    EXPECT_EQ(lines[depth], std::wstring(1024, L' ') + L"    TID:      77    Priority: 9");
}

TEST_F(TasklistTree, StopEndsTheWalkAndLeavesNoMarks)
{
    Processes list({{1, 0, L"a"}, {2, 1, L"b"}, {3, 2, L"c"}, {4, 1, L"d"}});
    list.AddThread(20, 2, 8);
    Capture capture;
    CtrlCSeen = 1;  // as if Ctrl-C arrived before the first line ended
    int stopped = PrintProcessTree(list.get(), list.threads(), list.find(1), 0, TL_THREADS, 120, nullptr, nullptr,
                                   nullptr, false, nullptr);
    CtrlCSeen = 0;
    EXPECT_EQ(stopped, STOPPED);
    // The name writer saw the stop first and wrote nothing.
    EXPECT_EQ(Lines(capture.out()), (Text{L"    1"}));

    for (ProcessRecord* r = list.get(); r; r = r->next)
        EXPECT_EQ(r->mark, 0u);
}

}  // namespace
