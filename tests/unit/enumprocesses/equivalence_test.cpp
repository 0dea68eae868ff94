// Descendant trees of a large random process list against the plain walk
// they replace, which scans the whole list for the children of every
// process. Same bytes for every order, shape and requested process.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "commands/common/tree_walk.h"
#include "commands/enumprocesses/enumprocesses.h"
#include "console/console.h"
#include "frame/owners.h"
#include "tests/support/capture.h"

using vornel::test::Capture;

namespace {

// The walk as a scan of the whole list does it, recursively.
void ReferenceBranch(const _EnumProcInfo* list, const _EnumProcInfo* process, unsigned flags, const wchar_t* keys,
                     const std::wstring* prefix, bool isLast, std::vector<DWORD>& path)
{
    std::wstring own;
    if (!prefix) {
        EndLine();
    } else {
        const wchar_t* indent = L"  ";
        if (flags & EP_TREE) {
            Printf(L"%s%s", prefix->c_str(), isLast ? L"└─" : L"├─");
            if (!isLast)
                indent = L"│ ";
        }
        own = *prefix + indent;
        if (!(flags & EP_TREE))
            QPuts(own.c_str());
    }
    Printf((flags & EP_HEX) ? L"%04X  " : L"%u  ", process->processId);
    WriteHighlighted(process->name, HighlightColor);
    EndLine();

    path.push_back(process->processId);
    std::vector<const _EnumProcInfo*> children;
    for (const _EnumProcInfo* r = list; r; r = r->next)
        if (r->parentProcessId == process->processId && std::find(path.begin(), path.end(), r->processId) == path.end())
            children.push_back(r);
    if (!children.empty() && own.size() + 2 > TREE_PREFIX_SIZE - 1) {
        Printf(L"%s%s(deeper levels left out)", own.c_str(), (flags & EP_TREE) ? L"└─" : L"  ");
        EndLine();
        children.clear();
    }
    if (keys)
        std::stable_sort(children.begin(), children.end(),
                         [keys](auto a, auto b) { return CompareChildren(keys, a, b) < 0; });
    for (size_t i = 0; i < children.size(); ++i)
        ReferenceBranch(list, children[i], flags, keys, &own, i + 1 == children.size(), path);
    path.pop_back();
}

TEST(EnumProcessesEquivalence, TreesMatchTheWholeListScan)
{
    ResetOutputState();
    InitOutputOptions(1);
    static const wchar_t* const names[] = {L"svchost.exe", L"SVCHOST.EXE", L"cmd.exe", L"Cmd.exe", L"a", L"A"};
    for (unsigned seed : {1u, 2u}) {
        // About 1,000 processes whose parents are earlier, later, missing,
        // themselves or 0: trees, loops and orphans.
        std::mt19937 random(seed);
        std::vector<DWORD> pids(1000);
        for (size_t i = 0; i < pids.size(); ++i)
            pids[i] = 4 * DWORD(i + 1);
        std::shuffle(pids.begin(), pids.end(), random);
        vornel::list_owner<_EnumProcInfo> list;
        _EnumProcInfo** tail = list.addr();
        for (DWORD pid : pids) {
            DWORD parent = random() % 8 ? pids[random() % 300] : (random() % 2 ? pid : 0);
            *tail = NewEnumProcInfo(pid, parent, names[random() % 6]);
            tail = &(*tail)->next;
        }
        // A chain deeper than the prefix holds, under a process of the rest.
        constexpr DWORD chainHead = 100003;
        for (DWORD pid = chainHead, parent = pids[0]; pid < chainHead + 4 * 600; parent = pid, pid += 4) {
            *tail = NewEnumProcInfo(pid, parent, L"deep");
            tail = &(*tail)->next;
        }
        const EnumProcChildren children(list.get(), ChildKey);

        for (const wchar_t* keys : {(const wchar_t*)nullptr, L"N", L"n", L"P", L"p", L"Np"})
            for (unsigned flags : {0u, EP_TREE, EP_TREE | EP_HEX})
                for (const _EnumProcInfo* requested = list.get(); requested; requested = requested->next) {
                    if (requested->processId % 80 != 0 && requested->processId != chainHead)
                        continue;
                    std::wstring expected, got;
                    {
                        Capture capture;
                        std::vector<DWORD> path;
                        ReferenceBranch(list.get(), requested, flags, keys, nullptr, false, path);
                        expected = capture.out();
                    }
                    {
                        Capture capture;
                        EXPECT_EQ(PrintDescendants(list.get(), requested->processId, requested->name, nullptr, false,
                                                   {flags, nullptr, keys, nullptr, &children}),
                                  0);
                        got = capture.out();
                    }
                    ASSERT_EQ(got, expected) << "seed " << seed << ", keys " << (keys ? keys : L"none")
                                             << ", flags " << flags << ", process " << requested->processId;
                }
    }
}

}  // namespace
