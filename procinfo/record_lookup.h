// Lists of records by process ID: the first record of a process in a list,
// the links of a doubly linked one, the groups of records that share an ID,
// and the window titles and service names of a listing.
#pragma once

#include <windows.h>

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "frame/owners.h"
#include "procinfo/procinfo.h"

template <typename Record>
Record* FindProcessRecord(Record* list, DWORD processId)
{
    for (; list; list = list->next) {
        if (list->processId == processId)
            return list;
    }
    return nullptr;
}

// Links a record at the end of a doubly linked list.
template <typename Record>
void AppendRecord(Record** head, Record* record)
{
    record->next = nullptr;
    record->previous = nullptr;
    Record** link = head;
    for (; *link; link = &(*link)->next)
        record->previous = *link;
    *link = record;
}

// Puts a record in the place of one of a doubly linked list, whose block is
// freed.
template <typename Record>
void ReplaceRecord(Record** head, Record* old, Record* record)
{
    const vornel::unique_block<Record> replaced(old);
    record->next = old->next;
    record->previous = old->previous;
    (old->previous ? old->previous->next : *head) = record;
    if (old->next)
        old->next->previous = record;
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

    // The group's first record, as a scan of the list would find it; null
    // when there is none.
    Record* First(DWORD processId) const
    {
        auto found = Find(processId);
        return found.empty() ? nullptr : found.front().second;
    }

private:
    static bool ById(const Entry& a, const Entry& b) { return a.first < b.first; }

    std::vector<Entry> entries_;
};

// The window titles and service names of one listing by process ID: each
// process line finds its own without a scan of the lists.
struct ProcessTexts {
    ProcessTexts(const WindowTitleInfo* windowList, const ServiceNamesInfo* serviceList)
        : windows(windowList, [](const WindowTitleInfo* w) { return w->processId; }),
          services(serviceList, [](const ServiceNamesInfo* s) { return s->processId; })
    {
    }
    RecordsById<const WindowTitleInfo> windows;
    RecordsById<const ServiceNamesInfo> services;
};
