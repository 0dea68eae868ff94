// Lookup by process ID in the per-process record lists: the first record of
// the process, at most one existing per process ID.
#pragma once

#include <windows.h>

template <typename Record>
Record* FindProcessRecord(Record* list, DWORD processId)
{
    for (; list; list = list->next) {
        if (list->processId == processId)
            return list;
    }
    return nullptr;
}
