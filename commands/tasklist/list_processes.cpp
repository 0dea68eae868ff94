// The listing itself: the system's list of every process (or a snapshot),
// the window and service lists, the filters, the sorted lists of records,
// then the flat list or the trees and the footer. Everything it gathers is
// released on every way out.
#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>
#include <new>
#include <string_view>
#include <unordered_set>

#include "commands/tasklist/tasklist.h"
#include "console/console.h"
#include "frame/args.h"
#include "frame/errors.h"
#include "frame/host.h"
#include "frame/owners.h"
#include "frame/plugin.h"

namespace {

// Columns of the console window that shows standard output.
int LineWidth()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return 120;
    int width = info.srWindow.Right - info.srWindow.Left + 1;
    return width < 22 || width > 400 ? 120 : width;
}

// A filter by process ID. Whether there is one is kept apart from the ID:
// every 32-bit value, 0xFFFFFFFF included, is an ID a user may ask for.
struct PidFilter {
    bool active = false;
    DWORD pid = 0;

    bool Admits(DWORD candidate) const { return !active || pid == candidate; }
};

// Reads the name argument: "=PID", a number naming an existing process, or
// a pattern. Returns the pattern (null when the name selects by ID).
const wchar_t* ReadNameArgument(const wchar_t* name, PidFilter* filter)
{
    DWORD pid;
    if (name[0] == L'=' && ParseProcessId(name + 1, &pid)) {
        *filter = {true, pid};
        return nullptr;
    }
    if (ParseProcessId(name, &pid)) {
        // Digits name a process only if one has that ID; a process may
        // just as well be called 1234.exe.
        vornel::unique_handle probe = OpenProcessById(ProcessQueryAccess(), pid);
        if (probe || GetLastError() == ERROR_ACCESS_DENIED) {
            *filter = {true, pid};
            return nullptr;
        }
    }
    return name;
}

// The owner account of a process, empty when it does not open.
void ReadOwner(DWORD pid, wchar_t* owner)
{
    owner[0] = L'\0';
    if (pid == 0)
        return;
    ProcessHandle process(pid, false);
    if (process.get())
        GetProcessOwner(process.get(), owner);
}

struct Filters {
    PidFilter pid;
    const wchar_t* name = nullptr;
    const wchar_t* owner = nullptr;
    bool matchTitles = true;
};

bool Matches(const Filters& filters, const PROCESSENTRY32W& entry, const wchar_t* title)
{
    if (!filters.pid.Admits(entry.th32ProcessID))
        return false;
    if (filters.name && MatchProcessName(filters.name, entry.szExeFile) != 0 &&
        (!filters.matchTitles || MatchProcessName(filters.name, title) != 0))
        return false;
    if (filters.owner) {
        wchar_t owner[NAME_BUFFER_SIZE];
        ReadOwner(entry.th32ProcessID, owner);
        if (MatchProcessName(filters.owner, owner) != 0)
            return false;
    }
    return true;
}

// The entry as the records keep it: the name without extension and no
// parent ID when that ID now belongs to a younger process.
void PrepareEntry(PROCESSENTRY32W& entry)
{
    if (wchar_t* dot = wcsrchr(entry.szExeFile, L'.'))
        *dot = L'\0';
    if (entry.th32ParentProcessID != 0 && ParentIsYounger(entry.th32ParentProcessID, entry.th32ProcessID))
        entry.th32ParentProcessID = 0;
}

// A record from the heap the lists are freed to. Without one the listing
// cannot go on: a process or thread left out would be a listing that lies.
template <typename Record>
Record* NewRecord()
{
    auto record = static_cast<Record*>(vornel::AllocateBlock(sizeof(Record), true));
    if (!record)
        throw std::bad_alloc();
    return record;
}

ProcessRecord* MakeProcessRecord(const PROCESSENTRY32W& entry, const WindowTitleInfo* window,
                                 const ServiceNamesInfo* services, bool sortsByMemory)
{
    auto record = NewRecord<ProcessRecord>();
    record->window = window;
    if (services && entry.th32ProcessID != 0) {
        record->services = services->names;
        record->serviceCount = services->nameCount;
    }
    record->entry = entry;
    if (sortsByMemory)
        record->workingSet = ReadProcessUsage(entry.th32ProcessID).workingSet;
    return record;
}

ThreadRecord* NewThreadRecord(DWORD threadId, DWORD ownerProcessId, LONG basePriority)
{
    auto record = NewRecord<ThreadRecord>();
    record->threadId = threadId;
    record->ownerProcessId = ownerProcessId;
    record->basePriority = basePriority;
    return record;
}

// The threads in the system's order: from its list of every process when
// the listing has one, else from the snapshot.
void CollectThreads(const SystemProcessList* system, HANDLE snapshot, ThreadRecord** threads, const wchar_t* keys)
{
    ThreadRecord** tail = threads;
    auto append = [&tail](ThreadRecord* record) {
        *tail = record;
        tail = &record->next;
    };
    if (system) {
        for (const SystemThreadRecord& thread : system->Threads())
            append(NewThreadRecord(thread.threadId, thread.ownerProcessId, thread.basePriority));
    } else {
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
            append(NewThreadRecord(entry.th32ThreadID, entry.th32OwnerProcessID, entry.tpBasePri));
            entry.dwSize = sizeof entry;
        }
    }
    SortThreadList(threads, keys);
}

// What one listing gathers: the per-process lists its records point into,
// the records in listing order and, with /H, the threads.
struct Listing {
    vornel::list_owner<ServiceNamesInfo> services;
    vornel::list_owner<WindowTitleInfo> windows;
    vornel::list_owner<ProcessRecord> processes;
    vornel::list_owner<ThreadRecord> threads;
    unsigned processCount = 0;  // a flat list's; a tree counts as it prints
};

// The entry Toolhelp would make of the system's record of a process.
void EntryFromRecord(const SystemProcessRecord& record, PROCESSENTRY32W& entry)
{
    entry = {sizeof entry};
    entry.th32ProcessID = record.processId;
    entry.th32ParentProcessID = record.parentProcessId;
    entry.cntThreads = record.threadCount;
    entry.pcPriClassBase = record.basePriority;
    std::wstring_view name = record.name.substr(0, std::size(entry.szExeFile) - 1);
    name.copy(entry.szExeFile, name.size());
}

// Calls `visit` with each process in the system's order: from its list of
// every process when the listing has one, else from the snapshot.
template <typename Visit>
void ForEachProcess(const SystemProcessList* system, HANDLE snapshot, Visit visit)
{
    PROCESSENTRY32W entry;
    if (system) {
        for (const SystemProcessRecord& record : system->Records()) {
            EntryFromRecord(record, entry);
            visit(entry);
        }
        return;
    }
    // The visit rewrites the entry; each call is given a clean one.
    entry = {sizeof entry};
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        visit(entry);
        entry = {sizeof entry};
    }
}

// Where the processes and threads come from: the system's list of every
// process, or a snapshot when the list cannot be had.
struct ProcessSource {
    const SystemProcessList* system = nullptr;
    vornel::unique_snapshot snapshot;
};

// The records in the system's order: those the filters admit or, in a tree,
// every process, each that starts a tree marked; the IDs so far tell
// whether a process's parent came before it.
void CollectProcesses(const ProcessSource& source, const Filters& filters, DWORD flags, bool sortsByMemory,
                      const ProcessTexts& texts, Listing& listing)
{
    const bool tree = (flags & TL_TREE) != 0;
    const bool rootsOnly = tree && !filters.name && !filters.pid.active;
    ProcessRecord** tail = listing.processes.addr();
    std::unordered_set<DWORD> seen;
    ForEachProcess(source.system, source.snapshot.get(), [&](PROCESSENTRY32W& entry) {
        DWORD pid = entry.th32ProcessID;
        if (!tree && !filters.pid.Admits(pid))
            return;
        const WindowTitleInfo* window = texts.windows.First(pid);
        PrepareEntry(entry);
        bool matches = Matches(filters, entry, window ? window->title : L"");
        // In a tree every process may stand under a listed one.
        if (!tree && !matches)
            return;
        ProcessRecord* record = MakeProcessRecord(entry, window, texts.services.First(pid), sortsByMemory);
        *tail = record;
        tail = &record->next;
        // Without a name, a tree starts at each process whose parent did
        // not come before it (itself included).
        if (rootsOnly)
            seen.insert(pid);
        if (!tree)
            ++listing.processCount;
        else if (matches && (!rootsOnly || pid == 0 || !seen.contains(entry.th32ParentProcessID)))
            record->mark |= MARK_ROOT;
    });
}

// Fills the listing: the service and window lists, the threads, then the
// process records, sorted by the keys.
void GatherListing(ProcessSource source, const Filters& filters, DWORD flags, const wchar_t* sortKeys,
                   Listing& listing)
{
    if (!(flags & TL_NO_SERVICES))
        CollectServiceNames(listing.services.addr());
    if (!(flags & TL_NO_WINDOWS))
        EnumWindows(CollectWindowTitle, reinterpret_cast<LPARAM>(listing.windows.addr()));
    if (flags & TL_THREADS)
        CollectThreads(source.system, source.snapshot.get(), listing.threads.addr(), sortKeys);
    const ProcessTexts texts(listing.windows.get(), listing.services.get());

    const bool sortsByMemory = sortKeys && wcspbrk(sortKeys, L"Mm");
    CollectProcesses(source, filters, flags, sortsByMemory, texts, listing);
    source.snapshot.reset();
    SortProcessList(listing.processes.addr(), sortKeys);
}

int PrintTrees(ProcessRecord* processes, const ListingIndex& index, DWORD ownPid, DWORD flags, int width,
               const wchar_t* highlight, unsigned* processCount, unsigned* threadCount)
{
    bool printed = false;
    for (ProcessRecord* record = processes; record; record = record->next) {
        if (!(record->mark & MARK_ROOT))
            continue;
        record->mark &= ~MARK_ROOT;
        if (printed) {
            if (int result = EndLine())
                return result;
        }
        printed = true;
        if (int result = PrintProcessTree(index, record, ownPid, flags, width, processCount, threadCount, nullptr,
                                          false, highlight))
            return result;
    }
    return 0;
}

}  // namespace

int PrintFlatList(const ProcessRecord* processes, const ListingIndex& index, DWORD ownPid, DWORD flags, int width,
                  const wchar_t* highlight, unsigned* threadCount)
{
    for (const ProcessRecord* record = processes; record; record = record->next) {
        if (int result = PrintProcessLine(record, ownPid, flags, width, highlight))
            return result;
        for (const auto& [owner, thread] : index.threads.Find(record->entry.th32ProcessID)) {
            if (int result = PrintThreadLine(thread, flags))
                return result;
            ++*threadCount;
        }
    }
    return 0;
}

int PrintThreadLine(const ThreadRecord* thread, DWORD flags, const wchar_t* prefix, const wchar_t* under)
{
    Printf((flags & TL_HEX) ? L"%s%s    TID: %08X    Priority: %u" : L"%s%s    TID: %7u    Priority: %u", prefix,
           under, thread->threadId, thread->basePriority);
    return EndLine();
}

int PrintFooter(unsigned processCount, unsigned threadCount, DWORD flags)
{
    if (int result = EndLine())
        return result;
    Printf(L"   Found %u %s", processCount, processCount == 1 ? L"process" : L"processes");
    if (flags & TL_THREADS)
        Printf(L" and %u %s", threadCount, threadCount == 1 ? L"thread" : L"threads");
    QPuts(L".");
    return EndLine();
}

// The flat list or the trees of what was gathered, then the footer.
int PrintListing(Listing& listing, DWORD flags, const wchar_t* highlight)
{
    const bool tree = (flags & TL_TREE) != 0;
    DWORD ownPid = GetCurrentProcessId();
    int width = LineWidth();
    unsigned processCount = listing.processCount, threadCount = 0;
    const ListingIndex index(tree ? listing.processes.get() : nullptr, listing.threads.get());
    int result = tree ? PrintTrees(listing.processes.get(), index, ownPid, flags, width, highlight, &processCount,
                                   &threadCount)
                      : PrintFlatList(listing.processes.get(), index, ownPid, flags, width, highlight, &threadCount);
    if (result == 0 && !(flags & TL_NO_FOOTER))
        result = PrintFooter(processCount, threadCount, flags);
    return result;
}

int ListProcesses(const wchar_t* name, const wchar_t* ownerPattern, DWORD flags, const wchar_t* sortKeys,
                  const wchar_t* highlight, OutputForm form, bool header)
{
    Filters filters;
    filters.owner = ownerPattern;
    filters.matchTitles = !(flags & TL_NO_TITLE_MATCH);
    if (name)
        filters.name = ReadNameArgument(name, &filters.pid);

    // Each process is opened once for the owner filter and the columns of
    // its line, and the system's list of every process is asked for once,
    // before any snapshot, so that its records of creation times, working
    // sets and CPU times are matched only to the processes the snapshot saw.
    ProcessScope openProcesses((flags & TL_CMDLINE) != 0);
    ProcessSource source;
    source.system = SystemProcesses();
    if (!source.system) {
        source.snapshot.reset(
            CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | ((flags & TL_THREADS) ? TH32CS_SNAPTHREAD : 0), 0));
        if (!source.snapshot) {
            PrintError(L"CreateToolhelp32Snapshot() failed!\r\n");
            return 2;
        }
    }

    Listing listing;
    // The image paths of all lines share one reading of the drive letters.
    DriveMapScope driveMap;
    GatherListing(std::move(source), filters, flags, sortKeys, listing);
    if (form != OutputForm::Table)
        return WriteProcessForm(listing.processes.get(), listing.threads.get(), flags, form, header);
    int result = PrintListing(listing, flags, highlight);
    return result == STOPPED ? 3 : result;
}
