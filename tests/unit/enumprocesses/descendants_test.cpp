// Descendant trees printed from built record lists: shape with and without
// connectors, hexadecimal IDs, sorted children, window titles and service
// names, stops, and lists whose parent links loop or run very deep.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "commands/enumprocesses/enumprocesses.h"
#include "console/console.h"
#include "frame/owners.h"
#include "tests/support/capture.h"

using vornel::test::Capture;

namespace {

struct Proc {
    DWORD pid;
    DWORD parent;
    const wchar_t* name;
};

using ProcList = vornel::list_owner<_EnumProcInfo>;

void Build(ProcList& list, const std::vector<Proc>& procs)
{
    _EnumProcInfo** tail = list.addr();
    for (const Proc& p : procs) {
        *tail = NewEnumProcInfo(p.pid, p.parent, p.name);
        tail = &(*tail)->next;
    }
}

class Descendants : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetOutputState();
        InitOutputOptions(1);  // no colours: names go through the host
    }
    void TearDown() override { ResetOutputState(); }

    // The text of one requested tree, and the walk's result in `result`.
    std::wstring Print(const std::vector<Proc>& procs, DWORD pid, unsigned flags, const wchar_t* keys = nullptr,
                       const WindowTitleInfo* windows = nullptr, const ServiceNamesInfo* services = nullptr)
    {
        ProcList list;
        Build(list, procs);
        Capture capture;
        const _EnumProcInfo* record = list.get();
        while (record && record->processId != pid)
            record = record->next;
        const ProcessTexts texts(windows, services);
        result = PrintDescendants(list.get(), pid, record ? record->name : L"?", nullptr, false,
                                  {flags, nullptr, keys, &texts});
        return capture.out();
    }

    int result = 0;
};

// The example tree, with unrelated processes between its members.
const std::vector<Proc> ExampleTree = {
    {4, 0, L"System"},        {1000, 4, L"cmd.exe"},   {1200, 1000, L"notepad.exe"}, {900, 4, L"other.exe"},
    {1300, 1200, L"where.exe"}, {1500, 1000, L"ping.exe"}, {1600, 900, L"x.exe"},
};

TEST_F(Descendants, ShapesOrdersAndLoops)
{
    // Children 30 c, 10 A, 20 b, 40 a (snapshot order), plus a grandchild so
    // that the connectors show which child came last after sorting.
    const std::vector<Proc> unsorted = {{1, 0, L"root"}, {30, 1, L"c.exe"}, {10, 1, L"A.exe"},
                                        {20, 1, L"b.exe"}, {40, 1, L"a.exe"}, {50, 30, L"g.exe"}};
    // The idle process (0, parent 0) is not its own child; everything whose
    // parent is 0 is a child of 0. 7 names itself as parent.
    const std::vector<Proc> zero = {{0, 0, L"[System Process]"}, {4, 0, L"System"}, {7, 7, L"self.exe"},
                                    {8, 7, L"kid.exe"}, {12, 0, L"orphan.exe"}};
    // 10 -> 20 -> 30 -> 10 form a loop of parent links; 40 hangs off 30.
    const std::vector<Proc> loop = {{10, 30, L"a"}, {20, 10, L"b"}, {30, 20, L"c"}, {40, 30, L"d"}};
    const struct {
        std::vector<Proc> procs;
        DWORD pid;
        unsigned flags;
        const wchar_t* keys;
        const wchar_t* text;
    } cases[] = {
        {ExampleTree, 1000, EP_TREE, nullptr,
         L"\r\n1000  cmd.exe\r\n\u251C\u25001200  notepad.exe\r\n\u2502 \u2514\u25001300  where.exe\r\n"
         L"\u2514\u25001500  ping.exe\r\n"},
        {ExampleTree, 1000, 0, nullptr,
         L"\r\n1000  cmd.exe\r\n  1200  notepad.exe\r\n    1300  where.exe\r\n  1500  ping.exe\r\n"},
        // A process without children: the empty line and its own line.
        {ExampleTree, 1300, EP_TREE, nullptr, L"\r\n1300  where.exe\r\n"},
        // Names compare without case; "A.exe" and "a.exe" tie and keep snapshot order.
        {unsorted, 1, EP_TREE, L"N",
         L"\r\n1  root\r\n\u251C\u250010  A.exe\r\n\u251C\u250040  a.exe\r\n\u251C\u250020  b.exe\r\n"
         L"\u2514\u250030  c.exe\r\n  \u2514\u250050  g.exe\r\n"},
        {unsorted, 1, 0, L"n", L"\r\n1  root\r\n  30  c.exe\r\n    50  g.exe\r\n  20  b.exe\r\n  10  A.exe\r\n  40  a.exe\r\n"},
        {unsorted, 1, 0, L"P", L"\r\n1  root\r\n  10  A.exe\r\n  20  b.exe\r\n  30  c.exe\r\n    50  g.exe\r\n  40  a.exe\r\n"},
        // The tie on the name is broken by the second key.
        {unsorted, 1, 0, L"Np", L"\r\n1  root\r\n  40  a.exe\r\n  10  A.exe\r\n  20  b.exe\r\n  30  c.exe\r\n    50  g.exe\r\n"},
        {unsorted, 1, 0, L"", L"\r\n1  root\r\n  30  c.exe\r\n    50  g.exe\r\n  10  A.exe\r\n  20  b.exe\r\n  40  a.exe\r\n"},
        {zero, 0, EP_TREE, nullptr, L"\r\n0  [System Process]\r\n\u251C\u25004  System\r\n\u2514\u250012  orphan.exe\r\n"},
        {zero, 7, EP_TREE, nullptr, L"\r\n7  self.exe\r\n\u2514\u25008  kid.exe\r\n"},
        {loop, 10, EP_TREE, nullptr, L"\r\n10  a\r\n\u2514\u250020  b\r\n  \u2514\u250030  c\r\n    \u2514\u250040  d\r\n"},
        {loop, 30, 0, nullptr, L"\r\n30  c\r\n  10  a\r\n    20  b\r\n  40  d\r\n"},
        {loop, 30, 0, L"n", L"\r\n30  c\r\n  40  d\r\n  10  a\r\n    20  b\r\n"},
        {{{5, 6, L"x"}, {6, 5, L"y"}}, 5, 0, nullptr, L"\r\n5  x\r\n  6  y\r\n"},  // two naming each other
        {{{4, 0, L"a"}, {0x1A2B, 4, L"b"}, {0x12345, 4, L"c"}}, 4, EP_HEX | EP_TREE, nullptr,
         L"\r\n0004  a\r\n\u251C\u25001A2B  b\r\n\u2514\u250012345  c\r\n"},
        {{{4, 0, L"a"}, {0x1A2B, 4, L"b"}, {0x12345, 4, L"c"}}, 4, 0, nullptr, L"\r\n4  a\r\n  6699  b\r\n  74565  c\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Print(c.procs, c.pid, c.flags, c.keys), c.text) << c.pid << " " << c.flags << " " << (c.keys ? c.keys : L"-");
        EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(PrintDescendants(nullptr, 1000, L"cmd.exe", nullptr, false, {}), -1);
    // A given prefix is continued.
    ProcList list;
    Build(list, ExampleTree);
    Capture capture;
    EXPECT_EQ(PrintDescendants(list.get(), 1200, L"notepad.exe", L"\u2502 ", true, {EP_TREE}), 0);
    EXPECT_EQ(capture.out(), L"\u2502 \u2514\u25001200  notepad.exe\r\n\u2502   \u2514\u25001300  where.exe\r\n");
}

TEST(CompareChildren, KeysAndUnsignedIds)
{
    auto big = vornel::unique_block<_EnumProcInfo>(NewEnumProcInfo(0x80000000u, 0, L"zz"));
    auto small = vornel::unique_block<_EnumProcInfo>(NewEnumProcInfo(4, 0, L"ZZ"));
    EXPECT_GT(CompareChildren(L"P", big.get(), small.get()), 0);
    EXPECT_LT(CompareChildren(L"p", big.get(), small.get()), 0);
    EXPECT_EQ(CompareChildren(L"N", big.get(), small.get()), 0);
    EXPECT_GT(CompareChildren(L"NP", big.get(), small.get()), 0);
    EXPECT_EQ(CompareChildren(nullptr, big.get(), small.get()), 0);
    EXPECT_GT(CompareChildren(L"XP", big.get(), small.get()), 0);  // a key it does not know is skipped
}

TEST_F(Descendants, DeepChainStopsAtThePrefixLimit)
{
    // 2000 generations: deeper than the prefix can indent (and than the
    // host's stack should be asked to recurse). Process 2001 is a sibling of
    // the deepest process shown and follows the note in its place.
    std::vector<Proc> chain;
    for (DWORD pid = 1; pid <= 2000; ++pid)
        chain.push_back({pid, pid - 1, L"p"});
    chain.push_back({2001, 511, L"p"});
    const std::wstring note = L"(deeper levels left out)";
    for (unsigned flags : {0u, unsigned(EP_TREE)}) {
        std::wstring out = Print(chain, 1, flags);
        EXPECT_EQ(result, 0);
        std::vector<std::wstring> lines;
        for (size_t start = 2, end; (end = out.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
            lines.push_back(out.substr(start, end - start));
        // The requested process, 511 generations under it, the note, the sibling.
        ASSERT_EQ(lines.size(), 514u);
        for (size_t depth = 1; depth < 511; ++depth) {
            std::wstring indent = flags ? std::wstring(2 * (depth - 1), L' ') + L"\u2514\u2500"
                                        : std::wstring(2 * depth, L' ');
            ASSERT_EQ(lines[depth], indent + std::to_wstring(depth + 1) + L"  p") << depth;
        }
        const std::wstring lead(flags ? 1020 : 1022, L' ');
        if (flags) {
            EXPECT_EQ(lines[511], lead + L"\u251c\u2500" L"512  p");
            EXPECT_EQ(lines[512], lead + L"\u2502 \u2514\u2500" + note);
            EXPECT_EQ(lines[513], lead + L"\u2514\u2500" L"2001  p");
        } else {
            EXPECT_EQ(lines[511], lead + L"512  p");
            EXPECT_EQ(lines[512], lead + L"  " + note);
            EXPECT_EQ(lines[513], lead + L"2001  p");
        }
    }
}

WindowTitleInfo* NewTitle(DWORD pid, const wchar_t* title, WindowTitleInfo* next)
{
    auto* record = static_cast<WindowTitleInfo*>(std::calloc(1, sizeof(WindowTitleInfo) + 64 * sizeof(wchar_t)));
    record->next = next;
    record->processId = pid;
    wcscpy(record->title, title);
    return record;
}

ServiceNamesInfo* NewServices(DWORD pid, const wchar_t* names, ServiceNamesInfo* next)
{
    auto* record = static_cast<ServiceNamesInfo*>(std::calloc(1, sizeof(ServiceNamesInfo)));
    record->next = next;
    record->processId = pid;
    record->nameCount = 1;
    wcscpy(record->names, names);
    return record;
}

TEST_F(Descendants, WindowTitlesAndServiceNames)
{
    const std::vector<Proc> procs = {{0, 0, L"idle"}, {20, 0, L"host.exe"}, {30, 0, L"app.exe"}, {40, 0, L"plain.exe"}};
    vornel::list_owner<WindowTitleInfo> windows;
    vornel::list_owner<ServiceNamesInfo> services;
    *windows.addr() = NewTitle(20, L"Host window", NewTitle(30, L"App window", nullptr));
    *services.addr() = NewServices(0, L"Never shown", NewServices(20, L"Event Log; Plug and Play", nullptr));

    EXPECT_EQ(Print(procs, 0, EP_WINDOWS, nullptr, windows.get(), services.get()),
              L"\r\n0  idle\r\n  20  host.exe  Event Log; Plug and Play\r\n  30  app.exe  App window\r\n"
              L"  40  plain.exe\r\n");
    // Without the flag the lists are not consulted.
    EXPECT_EQ(Print(procs, 20, 0, nullptr, windows.get(), services.get()), L"\r\n20  host.exe\r\n");
}

DWORD WINAPI PressCtrlCLater(void*)
{
    Sleep(500);
    CtrlCSeen = 1;
    return 0;
}

TEST_F(Descendants, StopsBeforeTheFirstLineOrInADeepLevel)
{
    CtrlCSeen = 1;
    EXPECT_EQ(Print(ExampleTree, 1000, EP_TREE), L"\r\n");
    EXPECT_EQ(result, STOPPED);
    SetUp();  // a fresh output state for the second walk

    // A page of 6 lines: the prompt comes at the end of depth 4's line, and
    // a Ctrl-C while it waits stops the whole walk from there.
    std::vector<Proc> procs;
    for (DWORD pid = 1; pid <= 8; ++pid)
        procs.push_back({pid, pid - 1, L"p"});
    procs.push_back({100, 1, L"sibling"});
    PageLines = LinesLeft = 6;
    PauseTime = 60000;
    vornel::unique_handle thread(CreateThread(nullptr, 0, PressCtrlCLater, nullptr, 0, nullptr));
    std::wstring out = Print(procs, 1, 0);
    WaitForSingleObject(thread.get(), INFINITE);
    EXPECT_EQ(result, STOPPED);
    EXPECT_EQ(out, L"\r\n1  p\r\n  2  p\r\n    3  p\r\n      4  p\r\n        5  p\r\n");
}

}  // namespace
