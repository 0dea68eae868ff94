// The processes as the system's list of every process (or, without one, a
// snapshot) tells them: the record list the trees are printed from, and the
// search of a process by name or path.
#include <cstddef>
#include <cwchar>
#include <string_view>

#include <windows.h>
#include <tlhelp32.h>

#include "commands/enumprocesses/enumprocesses.h"
#include "frame/host.h"
#include "frame/owners.h"

namespace {

_EnumProcInfo* NewRecord(DWORD processId, DWORD parentProcessId, std::wstring_view name)
{
    auto* record = static_cast<_EnumProcInfo*>(
        vornel::AllocateBlock(offsetof(_EnumProcInfo, name) + (name.size() + 1) * sizeof(wchar_t), false));
    if (!record)
        return nullptr;
    record->next = nullptr;
    record->processId = processId;
    record->parentProcessId = parentProcessId;
    record->onBranch = false;
    name.copy(record->name, name.size());
    record->name[name.size()] = L'\0';
    return record;
}

// The image name as a snapshot entry holds it: at most MAX_PATH - 1 characters.
std::wstring_view EntryName(std::wstring_view name) { return name.substr(0, MAX_PATH - 1); }

// Call `visit` (process ID, parent ID, image name) for each process in the
// system's order until it returns false: the records of the system's list
// of every process, or the entries of a snapshot.
template <typename Visit>
void ForEachProcess(const SystemProcessList& system, Visit visit)
{
    for (const SystemProcessRecord& record : system.Records())
        if (!visit(record.processId, record.parentProcessId, EntryName(record.name)))
            return;
}

template <typename Visit>
void ForEachProcess(HANDLE snapshot, Visit visit)
{
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        entry.szExeFile[MAX_PATH - 1] = L'\0';
        if (!visit(entry.th32ProcessID, entry.th32ParentProcessID, std::wstring_view(entry.szExeFile)))
            return;
        entry.dwSize = sizeof entry;
    }
}

// Appends a record for each process of `source` to the list.
template <typename Source>
int AppendProcesses(const Source& source, _EnumProcInfo** head)
{
    _EnumProcInfo** tail = head;
    while (*tail)
        tail = &(*tail)->next;
    bool allocated = true;
    ForEachProcess(source, [&](DWORD processId, DWORD parentProcessId, std::wstring_view name) {
        _EnumProcInfo* record = NewRecord(processId, parentProcessId, name);
        if (!(allocated = record != nullptr))
            return false;
        // A parent created after its child is a newer process that was given
        // the dead parent's ID: the child has no parent left.
        if (record->processId != 0 && record->parentProcessId != 0 &&
            ParentIsYounger(record->parentProcessId, record->processId) == 1)
            record->parentProcessId = 0;
        *tail = record;
        tail = &record->next;
        return true;
    });
    return allocated ? 0 : -2;
}

}  // namespace

_EnumProcInfo* NewEnumProcInfo(DWORD processId, DWORD parentProcessId, const wchar_t* name)
{
    return NewRecord(processId, parentProcessId, name ? name : L"");
}

int BuildEnumProcList(HANDLE snapshot, _EnumProcInfo** head) { return AppendProcesses(snapshot, head); }

int BuildEnumProcList(const SystemProcessList& system, _EnumProcInfo** head) { return AppendProcesses(system, head); }

int FindProcessByName(const wchar_t* pattern)
{
    if (!pattern || !*pattern)
        return -1;
    const bool byPath = wcschr(pattern, L'\\') != nullptr;
    DriveMapScope driveMap;  // one reading of the drive letters for all paths

    // The text each process is held against: its image name, or for a
    // pattern with a backslash its full image path.
    vornel::unique_block<wchar_t> text =
        vornel::unique_block<wchar_t>::allocate((byPath ? PATH_BUFFER_SIZE : MAX_PATH) * sizeof(wchar_t));
    if (!text)
        return -1;
    int found = -1;
    auto match = [&](DWORD processId, DWORD, std::wstring_view name) {
        text[0] = L'\0';
        if (!byPath)
            text[name.copy(text.get(), name.size())] = L'\0';
        else if (processId != 0)
            GetProcessImagePath(processId, text.get());
        if (WildcardComparison(pattern, text.get(), 0, 1) != 0)
            return true;
        found = static_cast<int>(processId);
        return false;
    };
    // The listing's own list of every process when it has one.
    if (const SystemProcessList* system = SystemProcesses()) {
        ForEachProcess(*system, match);
    } else {
        vornel::unique_snapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot)
            return -1;
        ForEachProcess(snapshot.get(), match);
    }
    return found;
}
