// Order of the TASKLIST lists: every key, reversed keys, several keys, and
// ties that keep the order of arrival.
#include <gtest/gtest.h>

#include "tests/unit/tasklist/fabricated.h"

using vornel::test::Proc;
using vornel::test::Processes;
using Pids = std::vector<DWORD>;

namespace {

TEST(TasklistSort, EachKeyReversedAndCombined)
{
    const std::vector<Proc> ids = {{30, 0, L"c"}, {10, 0, L"a"}, {20, 0, L"b"}, {5, 0, L"z"}};
    const std::vector<Proc> names = {{1, 0, L"cmd"}, {2, 0, L"Alpha"}, {3, 0, L"CMD"}, {4, 0, L"beta"}, {5, 0, L"cMd"}};
    // Service names count before the title; no text sorts first.
    const std::vector<Proc> texts = {{1, 0, L"a", nullptr, L"Zeta window"},
                                     {2, 0, L"b"},
                                     {3, 0, L"c", L"alpha service", L"Zzz ignored title"},
                                     {4, 0, L"d", nullptr, L"beta window"},
                                     {5, 0, L"e"}};
    const std::vector<Proc> parents = {{1, 40, L"a"}, {2, 0, L"b"}, {3, 12, L"c"}, {4, 12, L"d"}};
    // Working sets past 4 GiB; 0 is what an unreadable one sorts as.
    const std::vector<Proc> memory = {{1, 0, L"a", nullptr, nullptr, 300},
                                      {2, 0, L"b", nullptr, nullptr, 0},
                                      {3, 0, L"c", nullptr, nullptr, 5ULL << 32},
                                      {4, 0, L"d", nullptr, nullptr, 300},
                                      {5, 0, L"e", nullptr, nullptr, 1ULL << 32}};
    const struct {
        std::vector<Proc> procs;
        const wchar_t* keys;
        Pids order;
    } cases[] = {
        {ids, L"", {30, 10, 20, 5}},
        {ids, L"P", {5, 10, 20, 30}},
        {ids, L"p", {30, 20, 10, 5}},
        {{{0x80000000, 0, L"x"}, {1, 0, L"y"}}, L"P", {1, 0x80000000}},  // unsigned
        {names, L"N", {2, 4, 1, 3, 5}},  // case ignored, ties in arrival order
        {names, L"n", {1, 3, 5, 4, 2}},
        {{{9, 0, L"b"}, {7, 0, L"a"}, {3, 0, L"b"}, {8, 0, L"a"}}, L"Np", {8, 7, 9, 3}},
        {texts, L"T", {2, 5, 3, 4, 1}},
        {texts, L"t", {1, 4, 3, 2, 5}},
        {parents, L"Z", {2, 3, 4, 1}},
        {parents, L"z", {1, 3, 4, 2}},
        {memory, L"M", {2, 1, 4, 5, 3}},
        {memory, L"m", {3, 5, 1, 4, 2}},
        {memory, L"mp", {3, 5, 4, 1, 2}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Processes(c.procs, c.keys).pids(), c.order) << c.keys;
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
    const ThreadRecord first{nullptr, nullptr, 1}, second{nullptr, nullptr, 2};
    EXPECT_EQ(CompareThreads(&first, &second, nullptr), 0);
}

TEST(TasklistSort, ThreadsSortOnlyByIdAndOnlyWithP)
{
    for (auto [keys, order] : {std::pair{L"N", Pids{30, 10, 20}}, std::pair{L"NP", Pids{10, 20, 30}},
                               std::pair{L"Tp", Pids{30, 20, 10}}, std::pair{L"", Pids{30, 10, 20}}}) {
        vornel::list_owner<ThreadRecord> threads;
        ThreadRecord** tail = threads.addr();
        for (DWORD tid : {30u, 10u, 20u}) {
            *tail = static_cast<ThreadRecord*>(calloc(1, sizeof(ThreadRecord)));
            (*tail)->threadId = tid;
            tail = &(*tail)->next;
        }
        SortThreadList(threads.addr(), keys);
        Pids got;
        for (const ThreadRecord* t = threads.get(); t; t = t->next)
            got.push_back(t->threadId);
        EXPECT_EQ(got, order) << keys;
    }
}

}  // namespace
