// Lookups by process ID in lists of records: the first record of a process
// in the per-process lists, and the groups of records that share an ID.
#pragma once

#include <windows.h>

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

template <typename Record>
Record* FindProcessRecord(Record* list, DWORD processId)
{
    for (; list; list = list->next) {
        if (list->processId == processId)
            return list;
    }
    return nullptr;
}

// The records of a list grouped by a process ID they carry (their own, their
// parent's, their owner's), each group in list order. Built once for a whole
// listing, it finds a group by binary search where a scan of the list for
// every process would make the listing quadratic.
template <typename Record>
class RecordsById {
public:
    using Entry = std::pair<DWORD, Record*>;

    template <typename Key>
    RecordsById(Record* list, Key key)
    {
        for (; list; list = list->next)
            entries_.emplace_back(key(list), list);
        // Stable, so that each group keeps the order of the list.
        std::stable_sort(entries_.begin(), entries_.end(), ById);
    }

    std::span<const Entry> Find(DWORD processId) const
    {
        auto [first, last] = std::equal_range(entries_.begin(), entries_.end(), Entry{processId, nullptr}, ById);
        return {first, last};
    }

private:
    static bool ById(const Entry& a, const Entry& b) { return a.first < b.first; }

    std::vector<Entry> entries_;
};
