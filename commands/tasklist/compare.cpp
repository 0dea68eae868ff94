// The orders of the process and thread lists: comparators driven by the
// /O key letters, the insertion that keeps a list in that order as the
// records arrive, and the sort that puts a whole list in that order.
#include <algorithm>
#include <cwchar>
#include <vector>

#include "commands/tasklist/tasklist.h"
#include "frame/sort_keys.h"

namespace {

using vornel::CompareUnsigned;

// Service names when the process hosts services, else its window title.
const wchar_t* DisplayText(const ProcessRecord* record)
{
    if (record->services)
        return record->services;
    return record->window ? record->window->title : nullptr;
}

int CompareDisplayTexts(const ProcessRecord* a, const ProcessRecord* b)
{
    return vornel::CompareOptionalTexts(DisplayText(a), DisplayText(b), _wcsicmp);
}

// Inserts after the last record that the new one does not sort before.
template <typename Record, typename Compare>
void InsertSorted(Record** head, Record* record, Compare compare)
{
    record->next = nullptr;
    record->previous = nullptr;
    if (!*head) {
        *head = record;
        return;
    }
    if (compare(record, *head) < 0) {
        record->next = *head;
        *head = record;
        return;
    }
    Record* stop = *head;
    while (stop->next && compare(record, stop->next) >= 0)
        stop = stop->next;
    record->next = stop->next;
    record->previous = stop;
    stop->next = record;
}

// A stable sort of the records' addresses, then the list relinked in that
// order: equal records keep their order, so the list is the one that
// inserting the records one by one gives, in O(n log n) instead of O(n^2).
template <typename Record, typename Compare>
void SortList(Record** head, Compare compare)
{
    std::vector<Record*> slots;
    for (Record* r = *head; r; r = r->next)
        slots.push_back(r);
    std::stable_sort(slots.begin(), slots.end(), [&](Record* a, Record* b) { return compare(a, b) < 0; });
    Record* previous = nullptr;
    Record** link = head;
    for (Record* record : slots) {
        record->previous = previous;
        *link = record;
        link = &record->next;
        previous = record;
    }
    *link = nullptr;
}

}  // namespace

int CompareProcesses(const ProcessRecord* a, const ProcessRecord* b, const wchar_t* keys)
{
    return vornel::CompareByKeys(keys, [a, b](wchar_t key) {
        switch (key) {
        case L'M':
            return CompareUnsigned(a->workingSet, b->workingSet);
        case L'N':
            return _wcsicmp(a->entry.szExeFile, b->entry.szExeFile);
        case L'P':
            return CompareUnsigned(a->entry.th32ProcessID, b->entry.th32ProcessID);
        case L'T':
            return CompareDisplayTexts(a, b);
        case L'Z':
            return CompareUnsigned(a->entry.th32ParentProcessID, b->entry.th32ParentProcessID);
        default:
            return 0;
        }
    });
}

int CompareThreads(const ThreadRecord* a, const ThreadRecord* b, const wchar_t* keys)
{
    return vornel::CompareByKeys(
        keys, [a, b](wchar_t key) { return key == L'P' ? CompareUnsigned(a->threadId, b->threadId) : 0; });
}

void InsertProcessRecord(ProcessRecord** head, ProcessRecord* record, const wchar_t* keys)
{
    InsertSorted(head, record,
                 [keys](const ProcessRecord* a, const ProcessRecord* b) { return CompareProcesses(a, b, keys); });
}

void InsertThreadRecord(ThreadRecord** head, ThreadRecord* record, const wchar_t* keys)
{
    InsertSorted(head, record,
                 [keys](const ThreadRecord* a, const ThreadRecord* b) { return CompareThreads(a, b, keys); });
}

void SortProcessList(ProcessRecord** head, const wchar_t* keys)
{
    if (!keys || !*keys)
        return;  // nothing to order by: the list stays as it came
    SortList(head, [keys](const ProcessRecord* a, const ProcessRecord* b) { return CompareProcesses(a, b, keys); });
}

void SortThreadList(ThreadRecord** head, const wchar_t* keys)
{
    if (!keys || !*keys)
        return;
    SortList(head, [keys](const ThreadRecord* a, const ThreadRecord* b) { return CompareThreads(a, b, keys); });
}
