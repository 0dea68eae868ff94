// The processes as one snapshot sees them: the record list the trees are
// printed from, and the search of a process by name or path.
#include <cstddef>
#include <cwchar>

#include <windows.h>
#include <tlhelp32.h>

#include "commands/enumprocesses/enumprocesses.h"
#include "frame/host.h"
#include "frame/owners.h"

_EnumProcInfo* NewEnumProcInfo(DWORD processId, DWORD parentProcessId, const wchar_t* name)
{
    if (!name)
        name = L"";
    size_t length = wcslen(name);
    auto* record = static_cast<_EnumProcInfo*>(
        vornel::AllocateBlock(offsetof(_EnumProcInfo, name) + (length + 1) * sizeof(wchar_t), false));
    if (!record)
        return nullptr;
    record->next = nullptr;
    record->processId = processId;
    record->parentProcessId = parentProcessId;
    wmemcpy(record->name, name, length + 1);
    return record;
}

int BuildEnumProcList(HANDLE snapshot, _EnumProcInfo** head)
{
    _EnumProcInfo** tail = head;
    while (*tail)
        tail = &(*tail)->next;

    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        entry.szExeFile[MAX_PATH - 1] = L'\0';
        _EnumProcInfo* record = NewEnumProcInfo(entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile);
        if (!record)
            return -2;
        // A parent created after its child is a newer process that was given
        // the dead parent's ID: the child has no parent left.
        if (record->processId != 0 && record->parentProcessId != 0 &&
            ParentIsYounger(record->parentProcessId, record->processId) == 1)
            record->parentProcessId = 0;
        *tail = record;
        tail = &record->next;
    }
    return 0;
}

int FindProcessByName(const wchar_t* pattern)
{
    if (!pattern || !*pattern)
        return -1;
    const bool byPath = wcschr(pattern, L'\\') != nullptr;
    DriveMapScope driveMap;  // one reading of the drive letters for all paths

    vornel::unique_snapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return -1;
    vornel::unique_block<wchar_t> path;
    if (byPath) {
        path = vornel::unique_block<wchar_t>::allocate(PATH_BUFFER_SIZE * sizeof(wchar_t));
        if (!path)
            return -1;
    }

    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        entry.szExeFile[MAX_PATH - 1] = L'\0';
        const wchar_t* text = entry.szExeFile;
        if (byPath) {
            path[0] = L'\0';
            if (entry.th32ProcessID != 0)
                GetProcessImagePath(entry.th32ProcessID, path.get());
            text = path.get();
        }
        if (WildcardComparison(pattern, text, 0, 1) == 0)
            return static_cast<int>(entry.th32ProcessID);
    }
    return -1;
}
