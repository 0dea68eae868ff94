// The processes of one listing, each opened once: while a ProcessScope
// lives, every query handle and creation time that the plug-in asks for is
// kept by process ID, so the parent check, the filters and the line's
// columns all use the one handle, and a creation time is read once.
#include <unordered_map>

#include "frame/owners.h"
#include "frame/plugin.h"
#include "procinfo/procinfo.h"

namespace {

// The query right, with the memory right as well when asked for and the
// process grants it; a process that refuses the memory right may still
// answer the other queries, so it is opened again without it.
vornel::unique_handle OpenForQueries(DWORD pid, bool memory, bool* memoryReadable)
{
    *memoryReadable = false;
    if (memory) {
        vornel::unique_handle process = OpenProcessById(ProcessQueryAccess() | PROCESS_VM_READ, pid);
        if (process) {
            *memoryReadable = true;
            return process;
        }
    }
    return OpenProcessById(ProcessQueryAccess(), pid);
}

bool ReadCreationTime(HANDLE process, ULONGLONG* created)
{
    FILETIME creation, exit, kernel, user;
    if (!process || !GetProcessTimes(process, &creation, &exit, &kernel, &user))
        return false;
    *created = (static_cast<ULONGLONG>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
    return true;
}

}  // namespace

struct ProcessScope::Table {
    struct Process {
        vornel::unique_handle handle;  // null when the process did not open
        bool memoryReadable = false;
        bool creationAsked = false;
        bool creationRead = false;
        ULONGLONG created = 0;
    };
    bool memory;
    std::unordered_map<DWORD, Process> processes;

    Process& Get(DWORD pid)
    {
        auto [found, added] = processes.try_emplace(pid);
        if (added)
            found->second.handle = OpenForQueries(pid, memory, &found->second.memoryReadable);
        return found->second;
    }
};

namespace {
ProcessScope::Table* ActiveTable = nullptr;
}

ProcessScope::ProcessScope(bool memory) : table_(std::make_unique<Table>()), outer_(ActiveTable)
{
    table_->memory = memory;
    ActiveTable = table_.get();
}

ProcessScope::~ProcessScope() { ActiveTable = outer_; }

ProcessHandle::ProcessHandle(DWORD pid, bool memory)
{
    // A scope opened without the memory right cannot lend a handle for it.
    if (ActiveTable && (ActiveTable->memory || !memory)) {
        ProcessScope::Table::Process& process = ActiveTable->Get(pid);
        handle_ = process.handle.get();
        memoryReadable_ = memory && process.memoryReadable;
        return;
    }
    owned_ = OpenForQueries(pid, memory, &memoryReadable_);
    handle_ = owned_.get();
}

bool ProcessCreationTime(DWORD pid, ULONGLONG* created)
{
    if (!ActiveTable)
        return ReadCreationTime(ProcessHandle(pid, false).get(), created);
    ProcessScope::Table::Process& process = ActiveTable->Get(pid);
    if (!process.creationAsked) {
        process.creationAsked = true;
        process.creationRead = ReadCreationTime(process.handle.get(), &process.created);
    }
    *created = process.created;
    return process.creationRead;
}
