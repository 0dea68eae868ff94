// The orders of the process and thread lists: comparators driven by the
// /O key letters, and the sort that puts a whole list in that order.
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
