// The processes of one listing, each opened once: while a ProcessScope
// lives, every query handle that the plug-in asks for is kept by process
// ID, so the filters and the line's columns all use the one handle.
// Creation times, working sets and CPU times come from one list of every
// process that the system gives, and from each process (once) only where
// that list cannot answer. The owners' account names are looked up once
// per account.
#include <windows.h>
#include <psapi.h>

#include <map>
#include <string>
#include <unordered_map>

#include "frame/owners.h"
#include "frame/plugin.h"
#include "procinfo/cache_scope.h"
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

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool ReadCreationTime(HANDLE process, ULONGLONG* created)
{
    FILETIME creation, exit, kernel, user;
    if (!process || !GetProcessTimes(process, &creation, &exit, &kernel, &user))
        return false;
    *created = Ticks(creation);
    return true;
}

ProcessUsage UsageFromProcess(HANDLE process)
{
    ProcessUsage usage;
    if (!process)
        return usage;
    PROCESS_MEMORY_COUNTERS counters{};
    static_assert(sizeof counters == 72);
    usage.memoryRead = GetProcessMemoryInfo(process, &counters, sizeof counters) != FALSE;
    usage.workingSet = usage.memoryRead ? counters.WorkingSetSize : 0;
    FILETIME creation, exit, kernel, user;
    usage.timesRead = GetProcessTimes(process, &creation, &exit, &kernel, &user) != FALSE;
    if (usage.timesRead) {
        usage.kernelTime = Ticks(kernel);
        usage.userTime = Ticks(user);
    }
    return usage;
}

constexpr DWORD ACCOUNT_NAME_SIZE = 1024;

void LookupAccountName(PSID sid, wchar_t* owner)
{
    owner[0] = L'\0';
    wchar_t name[ACCOUNT_NAME_SIZE];
    wchar_t domain[ACCOUNT_NAME_SIZE];
    DWORD nameLength = ACCOUNT_NAME_SIZE, domainLength = ACCOUNT_NAME_SIZE;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use)) {
        name[ACCOUNT_NAME_SIZE - 1] = L'\0';
        lstrcpynW(owner, name, NAME_BUFFER_SIZE);
    }
}

ProcessUsage UsageFromRecord(const SystemProcessRecord& record)
{
    return {true, record.workingSet, true, record.kernelTime, record.userTime};
}

}  // namespace

struct ProcessCache {
    struct Process {
        vornel::unique_handle handle;  // null when the process did not open
        bool memoryReadable = false;
        bool creationAsked = false;
        bool creationRead = false;
        ULONGLONG created = 0;
        bool usageAsked = false;
        ProcessUsage usage;
    };
    bool memory;
    std::unordered_map<DWORD, Process> processes;
    ULONGLONG started = 0;  // system time when the scope began
    bool systemAsked = false;
    bool systemRead = false;
    SystemProcessList system;
    // Account names by the bytes of their SIDs.
    std::map<std::string, std::wstring> accounts;

    explicit ProcessCache(bool memory) : memory(memory)
    {
        // The clock the system stamps new processes with: a process created
        // after this moment never carries an earlier time.
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        started = Ticks(now);
    }

    Process& Get(DWORD pid)
    {
        auto [found, added] = processes.try_emplace(pid);
        if (added)
            found->second.handle = OpenForQueries(pid, memory, &found->second.memoryReadable);
        return found->second;
    }
};
template class CacheScope<ProcessCache>;
template CacheScope<ProcessCache>::CacheScope(bool);

ProcessHandle::ProcessHandle(DWORD pid, bool memory)
{
    // A scope opened without the memory right cannot lend a handle for it.
    ProcessCache* cache = ProcessScope::Active();
    if (cache && (cache->memory || !memory)) {
        ProcessCache::Process& process = cache->Get(pid);
        handle_ = process.handle.get();
        memoryReadable_ = memory && process.memoryReadable;
        return;
    }
    owned_ = OpenForQueries(pid, memory, &memoryReadable_);
    handle_ = owned_.get();
}

const SystemProcessList* SystemProcesses()
{
    ProcessCache* cache = ProcessScope::Active();
    if (!cache)
        return nullptr;
    ProcessCache& table = *cache;
    if (!table.systemAsked) {
        table.systemAsked = true;
        table.systemRead = table.system.Query();
    }
    return table.systemRead ? &table.system : nullptr;
}

namespace {

// The system's record of a process that existed when the scope began.
const SystemProcessRecord* SystemRecord(DWORD pid)
{
    const SystemProcessList* system = SystemProcesses();
    return system ? system->Find(pid, ProcessScope::Active()->started) : nullptr;
}

}  // namespace

bool ProcessCreationTime(DWORD pid, ULONGLONG* created)
{
    ProcessCache* cache = ProcessScope::Active();
    if (!cache)
        return ReadCreationTime(ProcessHandle(pid, false).get(), created);
    if (const SystemProcessRecord* record = SystemRecord(pid)) {
        *created = record->created;
        return true;
    }
    ProcessCache::Process& process = cache->Get(pid);
    if (!process.creationAsked) {
        process.creationAsked = true;
        process.creationRead = ReadCreationTime(process.handle.get(), &process.created);
    }
    *created = process.created;
    return process.creationRead;
}

ProcessUsage ReadProcessUsage(DWORD pid)
{
    ProcessCache* cache = ProcessScope::Active();
    if (!cache)
        return UsageFromProcess(ProcessHandle(pid, false).get());
    if (const SystemProcessRecord* record = SystemRecord(pid))
        return UsageFromRecord(*record);
    ProcessCache::Process& process = cache->Get(pid);
    if (!process.usageAsked) {
        process.usageAsked = true;
        process.usage = UsageFromProcess(process.handle.get());
    }
    return process.usage;
}

void ReadAccountName(PSID sid, wchar_t* name)
{
    ProcessCache* cache = ProcessScope::Active();
    if (!cache) {
        LookupAccountName(sid, name);
        return;
    }
    auto [found, added] =
        cache->accounts.try_emplace(std::string(static_cast<const char*>(sid), GetLengthSid(sid)));
    if (added) {
        LookupAccountName(sid, name);
        found->second = name;
    } else {
        lstrcpynW(name, found->second.c_str(), NAME_BUFFER_SIZE);
    }
}
