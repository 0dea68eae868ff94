// Timings of the listing work: ordering, tree walks, thread lines and line
// formatting on made-up lists of 1,000, 10,000 and 100,000 processes (and
// services, and the system's list of every process), and the real listings,
// each beside the bare system calls of its own columns, with the one query
// of the system alone as the limit; then each case's growth, each listing's
// ratio to its bare calls and the listing without columns against the limit.
// Output goes to the stand-in host's capture, emptied after every run, so
// only the formatting is measured, not a terminal.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "commands/enumprocesses/enumprocesses.h"
#include "commands/services/services.h"
#include "commands/tasklist/tasklist.h"
#include "console/console.h"
#include "frame/owners.h"
#include "frame/plugin.h"
#include "host/orshhost/orshhost_control.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// Characters the last timed run wrote to the capture.
size_t Written = 0;

// Best of `runs` timings of `work`.
double Best(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        work();
        QueryPerformanceCounter(&end);
        Written = wcslen(OrshCaptured(1));
        OrshClearCapture();
        best = std::min(best, Seconds(start, end));
    }
    return best;
}

// Every timing by case and count, for the growth and ratio lines.
std::map<std::string, std::map<unsigned, double>> Timings;
std::vector<std::string> CaseOrder;

void Report(const char* name, unsigned count, double seconds, const char* unit = "processes")
{
    printf("%-70s %6u %-9s %10.3f ms %9.2f us/%-7.7s %9zu chars out\n", name, count, unit, seconds * 1e3,
           count ? seconds * 1e6 / count : 0.0, unit, Written);
    Written = 0;
    fflush(stdout);
    if (!Timings.count(name))
        CaseOrder.push_back(name);
    Timings[name][count] = seconds;
}

const wchar_t* const Names[] = {L"svchost", L"explorer", L"notepad", L"conhost", L"chrome", L"Code",
                                L"winlogon", L"csrss", L"RuntimeBroker", L"dllhost", L"SearchHost", L"msedge"};

// Made-up records in snapshot order: IDs rising in steps of 4, parents
// chosen among earlier processes, mixed names and some titles.
std::vector<ProcessRecord*> MakeRecords(unsigned count)
{
    std::vector<ProcessRecord*> records;
    srand(12345);
    for (unsigned i = 0; i < count; ++i) {
        auto record = static_cast<ProcessRecord*>(calloc(1, sizeof(ProcessRecord)));
        record->entry.dwSize = sizeof record->entry;
        record->entry.th32ProcessID = 4 * (i + 1) + 0x100000;  // IDs no real process has
        record->entry.th32ParentProcessID = i ? records[rand() % i]->entry.th32ProcessID : 0;
        wsprintfW(record->entry.szExeFile, L"%s%u", Names[rand() % 12], rand() % 50);
        if (i % 3 == 0)
            record->services = L"Some Service; Another Service With A Longer Display Name";
        record->workingSet = ULONGLONG(i * 2654435761u % 100000) << 12;  // spread, with ties
        records.push_back(record);
    }
    return records;
}

void FreeRecords(std::vector<ProcessRecord*>& records)
{
    for (ProcessRecord* r : records)
        free(r);
    records.clear();
}

// The records as the listing gathers them: linked in snapshot order, then
// sorted by the keys.
ProcessRecord* Link(const std::vector<ProcessRecord*>& records, const wchar_t* keys)
{
    ProcessRecord* head = nullptr;
    ProcessRecord** tail = &head;
    for (ProcessRecord* r : records) {
        *tail = r;
        tail = &r->next;
    }
    *tail = nullptr;
    SortProcessList(&head, keys);
    return head;
}

// Ten threads per process, interleaved across the processes as a snapshot
// lists them, in thread ID order.
void MakeThreads(const std::vector<ProcessRecord*>& records, vornel::list_owner<ThreadRecord>& threads)
{
    ThreadRecord** tail = threads.addr();
    DWORD tid = 0x200000;
    for (int round = 0; round < 10; ++round)
        for (ProcessRecord* r : records) {
            auto thread = static_cast<ThreadRecord*>(calloc(1, sizeof(ThreadRecord)));
            thread->threadId = tid += 4;
            thread->ownerProcessId = r->entry.th32ProcessID;
            thread->basePriority = 8;
            *tail = thread;
            tail = &thread->next;
        }
}

// The same processes as ENUMPROCESSES keeps them, in snapshot order.
void MakeEnumList(const std::vector<ProcessRecord*>& records, vornel::list_owner<_EnumProcInfo>& list)
{
    _EnumProcInfo** tail = list.addr();
    for (ProcessRecord* r : records) {
        *tail = NewEnumProcInfo(r->entry.th32ProcessID, r->entry.th32ParentProcessID, r->entry.szExeFile);
        tail = &(*tail)->next;
    }
}

void SyntheticCases(unsigned count)
{
    // The largest size times each case once: the growth is what it shows.
    const int runs = count > 10000 ? 1 : 20;
    std::vector<ProcessRecord*> records = MakeRecords(count);

    ProcessRecord* head = nullptr;
    Report("insert, snapshot order", count, Best(runs, [&] { head = Link(records, L""); }));
    Report("insert, by name (/O:N)", count, Best(runs, [&] { head = Link(records, L"N"); }));
    Report("insert, by parent and name descending (/O:Z-N)", count,
           Best(runs, [&] { head = Link(records, L"Zn"); }));
    Report("insert, largest memory first (/O:-M)", count, Best(runs, [&] { head = Link(records, L"m"); }));

    head = Link(records, L"");
    vornel::list_owner<ThreadRecord> threads;
    MakeThreads(records, threads);
    OrshCapture(1);
    Report("flat lines, no columns", count, Best(runs, [&] {
               for (ProcessRecord* r = head; r; r = r->next)
                   PrintProcessLine(r, 0, 0, 120, nullptr);
           }));
    Report("flat lines, hex IDs and parents (/X /Z)", count, Best(runs, [&] {
               for (ProcessRecord* r = head; r; r = r->next)
                   PrintProcessLine(r, 0, TL_HEX | TL_PARENT, 120, nullptr);
           }));
    Report("flat lines with threads (/H)", count, Best(runs, [&] {
               unsigned threadCount = 0;
               PrintFlatList(head, ListingIndex(nullptr, threads.get()), 0, TL_THREADS, 120, nullptr, &threadCount);
           }));
    Report("tree from the first process (/R)", count, Best(runs, [&] {
               unsigned processes = 0, threadCount = 0;
               PrintProcessTree(ListingIndex(head, nullptr), head, 0, TL_TREE, 120, &processes, &threadCount, nullptr,
                                false, nullptr);
           }));
    Report("tree with threads (/R /H)", count, Best(runs, [&] {
               unsigned processes = 0, threadCount = 0;
               PrintProcessTree(ListingIndex(head, threads.get()), head, 0, TL_TREE | TL_THREADS, 120, &processes,
                                &threadCount, nullptr, false, nullptr);
           }));
    vornel::list_owner<_EnumProcInfo> enumList;
    MakeEnumList(records, enumList);
    Report("enumprocesses tree from the first process", count, Best(runs, [&] {
               PrintDescendants(enumList.get(), enumList.get()->processId, enumList.get()->name, nullptr, false,
                                {EP_TREE});
           }));
    OrshCapture(0);
    FreeRecords(records);
}

// The system's list of every process made up for `count` processes (each
// record without threads, as the 64-bit system lays it out), served by a
// stand-in for the query.
std::vector<BYTE> SystemList;

LONG WINAPI ServeSystemList(ULONG, PVOID buffer, ULONG size, PULONG needed)
{
    *needed = ULONG(SystemList.size());
    if (size < SystemList.size())
        return LONG(0xC0000004);
    memcpy(buffer, SystemList.data(), SystemList.size());
    return 0;
}

// One listing's use of the list: read once, then one lookup per process.
void SystemListCase(unsigned count)
{
    constexpr size_t size = 0x100;
    SystemList.assign(count * size, 0);
    auto put = [](size_t at, auto value) { memcpy(&SystemList[at], &value, sizeof value); };
    for (unsigned i = 0; i < count; ++i) {
        put(i * size, ULONG(i + 1 < count ? size : 0));
        put(i * size + 0x20, ULONGLONG(1));                       // created
        put(i * size + 0x50, ULONG_PTR(4 * (i + 1) + 0x100000));  // process ID
        put(i * size + 0x90, SIZE_T(i) << 12);                    // working set
    }
    auto saved = NtQuerySystemInformationFn;
    NtQuerySystemInformationFn = ServeSystemList;
    Report("system list read, one lookup per process", count, Best(count > 10000 ? 1 : 20, [&] {
               SystemProcessList list;
               list.Query();
               for (unsigned i = 0; i < count; ++i)
                   list.Find(4 * (i + 1) + 0x100000, ~0ULL);
           }));
    NtQuerySystemInformationFn = saved;
}

// Made-up services: key names with many ties, packed behind the records
// as the service enumeration packs them; sorted by key name as /O:N does.
void ServiceCases(unsigned count)
{
    std::vector<ENUM_SERVICE_STATUS_PROCESSW> services(count);
    std::vector<wchar_t> text(count * 32);
    srand(777);
    wchar_t* next = text.data();
    for (unsigned i = 0; i < count; ++i) {
        int length = wsprintfW(next, L"%s%u", Names[rand() % 12], rand() % 500);
        services[i].lpServiceName = services[i].lpDisplayName = next;
        services[i].ServiceStatusProcess.dwCurrentState = 1 + rand() % 7;
        services[i].ServiceStatusProcess.dwProcessId = rand() % 2 ? 0 : 4 * (rand() % 1000);
        next += length + 1;
    }
    // Each round takes the same services in another order: a sort of one
    // input repeated in every round is learnt by the processor's branch
    // predictor where the input is small (1,000 services in one order took
    // half the time of 1,000 in fresh orders), which made the growth to
    // 10,000 look twice what it is.
    const int runs = count > 10000 ? 1 : 20;
    std::vector<std::vector<const ENUM_SERVICE_STATUS_PROCESSW*>> orders(runs);
    for (auto& order : orders) {
        for (auto& service : services)
            order.push_back(&service);
        for (unsigned i = count - 1; i > 0; --i)
            std::swap(order[i], order[rand() % (i + 1)]);
    }
    std::vector<const ENUM_SERVICE_STATUS_PROCESSW*> slots(count);
    size_t round = 0;
    auto nextOrder = [&] { slots = orders[round++ % orders.size()]; };
    Report("services sorted (/O:N)", count, Best(runs, [&] {
               nextOrder();
               SortServiceSlots(slots.data(), count, L"N");
           }), "services");
    // The records compared pair by pair, as the sort did before it folded the
    // keys once: the same order, for the growth beside it.
    Report("services compared pair by pair (/O:N)", count, Best(runs, [&] {
               nextOrder();
               std::stable_sort(slots.begin(), slots.end(), [](auto a, auto b) {
                   return CompareServiceKeys(L"N", a, b) < 0;
               });
           }), "services");
}

// What a listing with these columns has to ask the system, without the
// listing: the snapshot walk (with the threads for /H) and its parent
// check, the service and window enumerations, and per process one open for
// its creation time and the bare call of each column: the token queries
// for the owner (its account looked up), integrity and elevation,
// priority, boost, times, memory (also to sort by it), bitness, window
// class, image path (the drive letters' device targets read once) and
// command line.
void BareQueries(DWORD flags, bool byMemory)
{
    vornel::list_owner<ServiceNamesInfo> services;
    vornel::list_owner<WindowTitleInfo> windows;
    if (!(flags & TL_NO_SERVICES))
        CollectServiceNames(services.addr());
    if (!(flags & TL_NO_WINDOWS))
        EnumWindows(CollectWindowTitle, reinterpret_cast<LPARAM>(windows.addr()));

    auto buffer = std::make_unique<wchar_t[]>(32768);
    if (flags & TL_FILENAME) {
        wchar_t drives[1024];
        DWORD listed = GetLogicalDriveStringsW(1023, drives);
        for (const wchar_t* root = drives; listed && *root; root += wcslen(root) + 1) {
            const wchar_t device[3] = {root[0], L':', L'\0'};
            QueryDosDeviceW(device, buffer.get(), 8192);
        }
    }

    // Each process opened once, its creation time read once; the parent
    // check compares the two times.
    struct Opened {
        vornel::unique_handle handle;
        bool timed = false;
        ULONGLONG created = 0;
    };
    std::unordered_map<DWORD, Opened> opened;
    const DWORD access = ProcessQueryAccess() | ((flags & TL_CMDLINE) ? PROCESS_VM_READ : 0);
    auto open = [&](DWORD pid) -> Opened& {
        auto [found, added] = opened.try_emplace(pid);
        if (added) {
            Opened& process = found->second;
            process.handle.reset(OpenProcess(access, FALSE, pid));
            FILETIME created, exited, kernel, user;
            process.timed = process.handle && GetProcessTimes(process.handle.get(), &created, &exited, &kernel, &user);
            process.created = (ULONGLONG(created.dwHighDateTime) << 32) | created.dwLowDateTime;
        }
        return found->second;
    };

    vornel::unique_snapshot snapshot(
        CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | ((flags & TL_THREADS) ? TH32CS_SNAPTHREAD : 0), 0));
    if (flags & TL_THREADS) {
        THREADENTRY32 thread{};
        thread.dwSize = sizeof thread;
        for (BOOL more = Thread32First(snapshot.get(), &thread); more; more = Thread32Next(snapshot.get(), &thread))
            thread.dwSize = sizeof thread;
    }
    const bool token = flags & (TL_OWNER | TL_INTEGRITY | TL_EXTRA);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        DWORD pid = entry.th32ProcessID;
        Opened& process = open(pid);
        if (entry.th32ParentProcessID && pid) {
            volatile bool younger = open(entry.th32ParentProcessID).created > process.created;
            (void)younger;
        }
        entry.dwSize = sizeof entry;
        HANDLE h = process.handle.get();
        if (!h)
            continue;
        FILETIME created, exited, kernel, user;
        BYTE info[512];
        DWORD got;
        BOOL flag;
        vornel::unique_handle tokenHandle;
        if (token && OpenProcessToken(h, TOKEN_QUERY, tokenHandle.put())) {
            if ((flags & TL_OWNER) && GetTokenInformation(tokenHandle.get(), TokenUser, info, sizeof info, &got)) {
                wchar_t account[1024], domain[1024];
                DWORD accountSize = 1024, domainSize = 1024;
                SID_NAME_USE use;
                LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(info)->User.Sid, account, &accountSize,
                                  domain, &domainSize, &use);
            }
            if (flags & TL_INTEGRITY)
                GetTokenInformation(tokenHandle.get(), TokenIntegrityLevel, info, sizeof info, &got);
            if (flags & TL_EXTRA)
                GetTokenInformation(tokenHandle.get(), TokenElevation, info, sizeof info, &got);
        }
        if (flags & TL_PRIORITY)
            GetPriorityClass(h);
        if (flags & TL_TIMES)
            GetProcessTimes(h, &created, &exited, &kernel, &user);
        if ((flags & TL_MEMORY) || byMemory) {
            PROCESS_MEMORY_COUNTERS counters;
            GetProcessMemoryInfo(h, &counters, sizeof counters);
        }
        if (flags & TL_EXTRA)
            IsWow64Process(h, &flag);
        if (flags & TL_BOOST)
            GetProcessPriorityBoost(h, &flag);
        if (flags & TL_WINCLASS)
            if (const WindowTitleInfo* window = FindWindowTitle(windows.get(), pid))
                if (IsWindow(window->window))
                    GetClassNameW(window->window, buffer.get(), 1024);
        if (flags & TL_FILENAME)
            GetProcessImageFileNameW(h, buffer.get(), 32768);
        if (flags & TL_CMDLINE)
            ReadProcessCommandLine(h, buffer.get());
    }
}

constexpr const char* NoColumns = "real listing, no columns";
constexpr const char* Limit = "limit: the one query of the system alone";

unsigned CountProcesses()
{
    vornel::unique_snapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    unsigned count = 0;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        ++count;
    return count;
}

// Growth from 1,000 to 10,000 of each synthetic case.
void Growth()
{
    printf("\ngrowth from 1,000 to 10,000 (n log n: about 13; quadratic: 100)\n");
    for (const std::string& name : CaseOrder) {
        auto& byCount = Timings[name];
        if (byCount.count(1000) && byCount.count(10000))
            printf("  %-48s %8.1fx\n", name.c_str(), byCount[10000] / byCount[1000]);
    }
    printf("\n");
}

// The real listings, each beside the bare calls of its own columns, and the
// limit, in rounds; the best round of each counts.
void RealCases(int rounds)
{
    const unsigned count = CountProcesses();
    const DWORD allColumns = TL_OWNER | TL_BOOST | TL_PRIORITY | TL_INTEGRITY | TL_TIMES | TL_MEMORY |
                             TL_WINCLASS | TL_EXTRA | TL_PARENT | TL_FILENAME;
    const struct {
        const char* name;
        DWORD flags;
        const wchar_t* keys = L"";
        OutputForm form = OutputForm::Table;
    } listings[] = {
        {"real listing, every column (/U/B/C/I/T/M/N/E/Z/F)", allColumns},
        {"real listing, every column as CSV (/FO:CSV)", allColumns, L"", OutputForm::Csv},
        {"real listing, every column as JSON (/FO:JSON)", allColumns, L"", OutputForm::Json},
        {"real listing, every column, largest memory first (/O:-M)", allColumns, L"m"},
        {"real listing, every column and command line (/U/B/C/I/T/M/N/E/Z/F/L)", allColumns | TL_CMDLINE},
        {NoColumns, 0},
        {"real listing, no columns, no services/windows", TL_NO_SERVICES | TL_NO_WINDOWS},
        {"real listing, threads (/H)", TL_THREADS},
        {"real listing, owner (/U)", TL_OWNER},
        {"real listing, image path (/F)", TL_FILENAME},
        {"real listing, command line (/L)", TL_CMDLINE},
        {"real listing, times (/T)", TL_TIMES},
        {"real listing, memory (/M)", TL_MEMORY},
        {"real listing, sorted by memory (/O:M)", 0, L"M"},
        {"real listing, integrity (/I)", TL_INTEGRITY},
        {"real listing, extra marks (/E)", TL_EXTRA},
    };
    struct Case {
        std::string name;
        std::function<void()> run;
    };
    std::vector<Case> cases;
    std::map<std::string, std::string> bareOf;  // each listing's bare case
    std::map<std::pair<DWORD, bool>, std::string> bareByCalls;
    for (const auto& listing : listings) {
        cases.push_back({listing.name, [&listing] {
                             ListProcesses(nullptr, nullptr, listing.flags, listing.keys, nullptr, listing.form);
                         }});
        // The parent column costs no call of its own; listings that make
        // the same calls share one bare case.
        const std::pair<DWORD, bool> calls(listing.flags & ~TL_PARENT, wcspbrk(listing.keys, L"Mm") != nullptr);
        auto [bare, added] = bareByCalls.try_emplace(calls, "bare calls" + std::string(listing.name + 12));
        if (added)
            cases.push_back({bare->second, [calls] { BareQueries(calls.first, calls.second); }});
        bareOf[listing.name] = bare->second;
    }
    cases.push_back({Limit, [] {
                         SystemProcessList list;
                         list.Query();
                     }});

    // Rounds over all the cases, so that a burst of load on the machine
    // slows them alike. Under Wine most of these calls are round trips to
    // the wineserver or to services.exe, whose times vary with the load of
    // the machine.
    std::vector<double> best(cases.size(), 1e30);
    std::vector<size_t> written(cases.size(), 0);
    OrshCapture(1);
    for (int round = 0; round < rounds; ++round)
        for (size_t step = 0; step < cases.size(); ++step) {
            // Each round starts one case later, so no case always follows
            // the same one.
            size_t i = (round + step) % cases.size();
            best[i] = std::min(best[i], Best(1, cases[i].run));
            written[i] = Written;
        }
    OrshCapture(0);
    for (size_t i = 0; i < cases.size(); ++i) {
        Written = written[i];
        Report(cases[i].name.c_str(), count, best[i]);
    }

    // Each listing against the bare calls of its own columns, and the
    // listing without columns against the one query alone.
    printf("\nreal listings against the bare calls of the same columns\n");
    for (const auto& listing : listings)
        printf("  %-70s %6.2fx\n", listing.name, Timings[listing.name][count] / Timings[bareOf[listing.name]][count]);
    // The forms hand over the values the table's lines show.
    printf("\nthe forms against the table, every column\n");
    for (const auto& listing : listings)
        if (listing.form != OutputForm::Table)
            printf("  %-70s %6.2fx\n", listing.name, Timings[listing.name][count] / Timings[listings[0].name][count]);
    printf("\nthe listing without columns against the one query alone (the limit)\n");
    printf("  %-70s %6.2fx\n", NoColumns, Timings[NoColumns][count] / Timings[Limit][count]);
}

}  // namespace

//   vornel_bench.exe              every case, the real ones in 60 rounds
//   vornel_bench.exe --real [N]   the real listings alone, in N rounds (60)
int main(int argc, char** argv)
{
    OrshSetShellState(1, 0);
    InitializePlugin();
    ResetOutputState();
    InitOutputOptions(1);

    const bool realOnly = argc > 1 && strcmp(argv[1], "--real") == 0;
    if (!realOnly) {
        for (unsigned count : {1000u, 10000u, 100000u})
            SyntheticCases(count);
        for (unsigned count : {1000u, 10000u, 100000u})
            ServiceCases(count);
        for (unsigned count : {1000u, 10000u, 100000u})
            SystemListCase(count);
        Growth();
    }
    RealCases(realOnly && argc > 2 ? atoi(argv[2]) : 60);
    ShutdownPlugin();
    return 0;
}
