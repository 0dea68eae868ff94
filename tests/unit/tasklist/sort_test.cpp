// Order of the TASKLIST lists: every key, reversed keys, several keys, and
// ties that keep the order of arrival.
#include <gtest/gtest.h>

#include "tests/unit/tasklist/fabricated.h"

using vornel::test::Processes;
using Pids = std::vector<DWORD>;

namespace {

TEST(TasklistSort, NoKeysKeepArrivalOrder)
{
    Processes list({{30, 0, L"c"}, {10, 0, L"a"}, {20, 0, L"b"}}, L"");
    EXPECT_EQ(list.pids(), (Pids{30, 10, 20}));
}

TEST(TasklistSort, ByProcessIdAscendingAndReversed)
{
    EXPECT_EQ(Processes({{30, 0, L"c"}, {10, 0, L"a"}, {20, 0, L"b"}, {5, 0, L"z"}}, L"P").pids(),
              (Pids{5, 10, 20, 30}));
    EXPECT_EQ(Processes({{30, 0, L"c"}, {10, 0, L"a"}, {20, 0, L"b"}, {5, 0, L"z"}}, L"p").pids(),
              (Pids{30, 20, 10, 5}));
    // Unsigned: the largest IDs go last.
    EXPECT_EQ(Processes({{0x80000000, 0, L"x"}, {1, 0, L"y"}}, L"P").pids(), (Pids{1, 0x80000000}));
}

TEST(TasklistSort, ByNameIgnoresCaseAndTiesStayInArrivalOrder)
{
    Processes list({{1, 0, L"cmd"}, {2, 0, L"Alpha"}, {3, 0, L"CMD"}, {4, 0, L"beta"}, {5, 0, L"cMd"}}, L"N");
    EXPECT_EQ(list.pids(), (Pids{2, 4, 1, 3, 5}));
    Processes reversed({{1, 0, L"cmd"}, {2, 0, L"Alpha"}, {3, 0, L"CMD"}, {4, 0, L"beta"}, {5, 0, L"cMd"}}, L"n");
    EXPECT_EQ(reversed.pids(), (Pids{1, 3, 5, 4, 2}));
}

TEST(TasklistSort, SecondKeyDecidesAmongEqualFirstKeys)
{
    Processes list({{9, 0, L"b"}, {7, 0, L"a"}, {3, 0, L"b"}, {8, 0, L"a"}}, L"Np");
    EXPECT_EQ(list.pids(), (Pids{8, 7, 9, 3}));
}

TEST(TasklistSort, ByDisplayTextRecordsWithoutTextFirst)
{
    // Service names count before the title; no text sorts first.
    std::vector<vornel::test::Proc> procs = {
        {1, 0, L"a", nullptr, L"Zeta window"},
        {2, 0, L"b"},
        {3, 0, L"c", L"alpha service", L"Zzz ignored title"},
        {4, 0, L"d", nullptr, L"beta window"},
        {5, 0, L"e"},
    };
    EXPECT_EQ(Processes(procs, L"T").pids(), (Pids{2, 5, 3, 4, 1}));
    EXPECT_EQ(Processes(procs, L"t").pids(), (Pids{1, 4, 3, 2, 5}));
}

TEST(TasklistSort, ByParentId)
{
    Processes list({{1, 40, L"a"}, {2, 0, L"b"}, {3, 12, L"c"}, {4, 12, L"d"}}, L"Z");
    EXPECT_EQ(list.pids(), (Pids{2, 3, 4, 1}));
    Processes reversed({{1, 40, L"a"}, {2, 0, L"b"}, {3, 12, L"c"}, {4, 12, L"d"}}, L"z");
    EXPECT_EQ(reversed.pids(), (Pids{1, 3, 4, 2}));
}

TEST(TasklistSort, CompareWithoutKeysOrUnknownKeysIsEqual)
{
    Processes list({{1, 0, L"a"}, {2, 0, L"b"}});
    const ProcessRecord* a = list.find(1);
    const ProcessRecord* b = list.find(2);
    EXPECT_EQ(CompareProcesses(a, b, nullptr), 0);
    EXPECT_EQ(CompareProcesses(a, b, L"XY"), 0);
    EXPECT_LT(CompareProcesses(a, b, L"XP"), 0);
    EXPECT_GT(CompareProcesses(a, b, L"p"), 0);
}

TEST(TasklistSort, ThreadsSortOnlyByIdAndOnlyWithP)
{
    auto build = [](const wchar_t* keys) {
        vornel::list_owner<ThreadRecord> threads;
        for (DWORD tid : {30u, 10u, 20u}) {
            auto thread = static_cast<ThreadRecord*>(calloc(1, sizeof(ThreadRecord)));
            thread->threadId = tid;
            InsertThreadRecord(threads.addr(), thread, keys);
        }
        Pids order;
        for (const ThreadRecord* t = threads.get(); t; t = t->next)
            order.push_back(t->threadId);
        return order;
    };
    EXPECT_EQ(build(L"N"), (Pids{30, 10, 20}));
    EXPECT_EQ(build(L"NP"), (Pids{10, 20, 30}));
    EXPECT_EQ(build(L"Tp"), (Pids{30, 20, 10}));
    EXPECT_EQ(build(L""), (Pids{30, 10, 20}));
}

}  // namespace
