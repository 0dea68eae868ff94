// The sorted lists, flat lines and trees of large random listings against
// the plain algorithms they replace: records inserted one by one, children
// and threads found by scanning the whole lists. Same bytes for every key.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "console/console.h"
#include "tests/support/capture.h"
#include "tests/unit/tasklist/fabricated.h"

using vornel::test::Capture;
using vornel::test::Proc;
using vornel::test::Processes;

namespace {

// About 1,000 processes: names and texts with many ties and case variants,
// parents that are missing, later in the list, the process itself or 0.
std::vector<Proc> RandomProcesses(unsigned seed)
{
    static const wchar_t* const names[] = {L"svchost", L"SVCHOST", L"SvcHost", L"cmd", L"Cmd", L"a", L"A", L"b"};
    static const wchar_t* const texts[] = {nullptr, nullptr, L"Alpha", L"alpha", L"ALPHA", L"beta", L"Zeta"};
    std::mt19937 random(seed);
    std::vector<DWORD> pids(1000);
    for (size_t i = 0; i < pids.size(); ++i)
        pids[i] = 4 * DWORD(i);  // process 0 too
    std::shuffle(pids.begin(), pids.end(), random);
    std::vector<Proc> procs;
    for (DWORD pid : pids) {
        DWORD parent = pids[random() % pids.size()];
        switch (random() % 10) {
        case 0: parent = 0; break;
        case 1: parent = pid; break;
        case 2: parent = 4001 + random() % 50; break;  // gone
        }
        procs.push_back({pid, parent, names[random() % 8], texts[random() % 7], texts[random() % 7]});
    }
    return procs;
}

// About 3,000 threads of those processes (and a few others), IDs repeating.
void AddRandomThreads(Processes& list, unsigned seed, const std::vector<Proc>& procs)
{
    std::mt19937 random(seed);
    ThreadRecord** tail = list.threadsAddr();
    for (int i = 0; i < 3000; ++i) {
        *tail = static_cast<ThreadRecord*>(calloc(1, sizeof(ThreadRecord)));
        (*tail)->threadId = random() % 2000;
        (*tail)->ownerProcessId = i % 100 ? procs[random() % procs.size()].pid : 4001;
        (*tail)->basePriority = LONG(random() % 16);
        tail = &(*tail)->next;
    }
}

// The design's insertion rule: before the head when the record sorts before
// it, else after the last record that it does not sort before.
template <typename Record, typename Compare>
void InsertOneByOne(Record** head, Compare compare)
{
    Record* rest = *head;
    *head = nullptr;
    while (Record* record = rest) {
        rest = rest->next;
        Record** link = head;
        if (*head && compare(record, *head) >= 0) {
            Record* stop = *head;
            while (stop->next && compare(record, stop->next) >= 0)
                stop = stop->next;
            link = &stop->next;
        }
        record->next = *link;
        *link = record;
    }
}

// The tree as a whole-list scan prints it, recursively, marking the records
// of the branch it is inside so that a cycle of parent IDs is cut.
constexpr DWORD OnPath = 0x2;

void ReferenceTree(ProcessRecord* list, const ThreadRecord* threads, ProcessRecord* record, int width,
                   const std::wstring* prefix, bool last)
{
    if (prefix && width > 4) {
        Printf(L"%s%s", prefix->c_str(), last ? L"└─" : L"├─");
        width -= 4;
    }
    PrintProcessLine(record, 0, TL_PARENT, width, nullptr);
    DWORD pid = record->entry.th32ProcessID;
    auto isChild = [pid](const ProcessRecord* p) {
        return p->entry.th32ProcessID != pid && p->entry.th32ParentProcessID == pid && !(p->mark & OnPath);
    };
    unsigned children = 0;
    for (const ProcessRecord* p = list; p; p = p->next)
        children += isChild(p);
    std::wstring childPrefix = (prefix ? *prefix : L"") + (prefix && !last ? L"│ " : L"  ");
    for (const ThreadRecord* t = threads; t; t = t->next)
        if (t->ownerProcessId == pid) {
            Printf(L"%s%s    TID: %7u    Priority: %u", childPrefix.c_str(), children ? L"│ " : L"  ", t->threadId,
                   t->basePriority);
            EndLine();
        }
    record->mark |= OnPath;
    for (ProcessRecord* p = list; p && children; p = p->next)
        if (isChild(p))
            ReferenceTree(list, threads, p, width, &childPrefix, --children == 0);
    record->mark &= ~OnPath;
}

std::wstring ReferenceListing(ProcessRecord* list, const ThreadRecord* threads, const std::vector<DWORD>& roots)
{
    Capture capture;
    for (const ProcessRecord* r = list; r; r = r->next) {
        PrintProcessLine(r, 0, TL_PARENT, 120, nullptr);
        for (const ThreadRecord* t = threads; t; t = t->next)
            if (t->ownerProcessId == r->entry.th32ProcessID)
                PrintThreadLine(t, 0);
    }
    for (ProcessRecord* r = list; r; r = r->next)
        if (std::find(roots.begin(), roots.end(), r->entry.th32ProcessID) != roots.end())
            ReferenceTree(list, threads, r, 120, nullptr, false);
    return capture.out();
}

std::wstring Listing(ProcessRecord* list, const ThreadRecord* threads, const std::vector<DWORD>& roots)
{
    Capture capture;
    const ListingIndex index(list, threads);
    unsigned threadCount = 0;
    PrintFlatList(list, index, 0, TL_PARENT, 120, nullptr, &threadCount);
    for (ProcessRecord* r = list; r; r = r->next)
        if (std::find(roots.begin(), roots.end(), r->entry.th32ProcessID) != roots.end())
            PrintProcessTree(index, r, 0, TL_PARENT, 120, nullptr, nullptr, nullptr, false, nullptr);
    return capture.out();
}

TEST(TasklistEquivalence, SortedFlatAndTreeListingsMatchTheWholeListScans)
{
    ResetOutputState();
    InitOutputOptions(1);
    const wchar_t* const keyStrings[] = {L"N", L"n", L"P", L"p", L"T", L"t", L"Z", L"z", L"NP", L"Zn", L"-N", L""};
    for (unsigned seed : {1u}) {
        std::vector<Proc> procs = RandomProcesses(seed);
        // Roots as a listing without a name finds them: no process so far,
        // this one included, holds the parent ID.
        std::vector<DWORD> roots;
        for (size_t i = 0; i < procs.size(); ++i) {
            auto before = procs.begin() + i + 1;
            if (procs[i].pid == 0 || std::none_of(procs.begin(), before, [&](const Proc& p) {
                    return p.pid == procs[i].parent;
                }))
                roots.push_back(procs[i].pid);
        }
        for (const wchar_t* keys : keyStrings) {
            Processes reference(procs), sorted(procs);
            AddRandomThreads(reference, seed, procs);
            AddRandomThreads(sorted, seed, procs);
            InsertOneByOne(reference.addr(), [keys](auto a, auto b) { return CompareProcesses(a, b, keys); });
            InsertOneByOne(reference.threadsAddr(), [keys](auto a, auto b) { return CompareThreads(a, b, keys); });
            SortProcessList(sorted.addr(), keys);
            SortThreadList(sorted.threadsAddr(), keys);
            ASSERT_EQ(Listing(sorted.get(), sorted.threads(), roots),
                      ReferenceListing(reference.get(), reference.threads(), roots))
                << "seed " << seed << ", keys " << keys;
        }
    }
}

}  // namespace
