// Timings of the TASKLIST work: inserting, ordering, tree walks and line
// formatting on made-up lists of 1,000 and 10,000 processes, and the real
// listing with every column beside the bare system calls it has to make.
// Output goes to the stand-in host's capture, emptied after every run, so
// only the formatting is measured, not a terminal.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <memory>
#include <vector>

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

void Report(const char* name, unsigned count, double seconds)
{
    printf("%-48s %6u processes %10.3f ms %9.2f us/process %9zu chars out\n", name, count, seconds * 1e3,
           count ? seconds * 1e6 / count : 0.0, Written);
    Written = 0;
    fflush(stdout);
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

ProcessRecord* Link(const std::vector<ProcessRecord*>& records, const wchar_t* keys)
{
    ProcessRecord* head = nullptr;
    for (ProcessRecord* r : records)
        InsertProcessRecord(&head, r, keys);
    return head;
}

void SyntheticCases(unsigned count)
{
    std::vector<ProcessRecord*> records = MakeRecords(count);
    char name[64];

    ProcessRecord* head = nullptr;
    snprintf(name, sizeof name, "insert, snapshot order");
    Report(name, count, Best(3, [&] { head = Link(records, L""); }));
    snprintf(name, sizeof name, "insert, by name (/O:N)");
    Report(name, count, Best(3, [&] { head = Link(records, L"N"); }));
    snprintf(name, sizeof name, "insert, by parent and name descending (/O:Z-N)");
    Report(name, count, Best(3, [&] { head = Link(records, L"Zn"); }));

    head = Link(records, L"");
    OrshCapture(1);
    Report("flat lines, no columns", count, Best(3, [&] {
               for (ProcessRecord* r = head; r; r = r->next)
                   PrintProcessLine(r, 0, 0, 120, nullptr);
           }));
    Report("flat lines, hex IDs and parents (/X /Z)", count, Best(3, [&] {
               for (ProcessRecord* r = head; r; r = r->next)
                   PrintProcessLine(r, 0, TL_HEX | TL_PARENT, 120, nullptr);
           }));
    Report("tree from the first process (/R)", count, Best(3, [&] {
               unsigned processes = 0, threads = 0;
               PrintProcessTree(head, nullptr, head, 0, TL_TREE, 120, &processes, &threads, nullptr, false, nullptr);
           }));
    OrshCapture(0);
    FreeRecords(records);
}

// What the full listing has to ask the system, without the listing:
// the snapshot walk, the parent check, and one open per process for the
// column queries and the image path.
void BareQueries()
{
    vornel::unique_snapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    auto buffer = std::make_unique<wchar_t[]>(32768);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        DWORD pid = entry.th32ProcessID;
        FILETIME created, exited, kernel, user;
        if (entry.th32ParentProcessID) {
            vornel::unique_handle parent(OpenProcess(ProcessQueryAccess(), FALSE, entry.th32ParentProcessID));
            vornel::unique_handle child(OpenProcess(ProcessQueryAccess(), FALSE, pid));
            if (parent && child) {
                GetProcessTimes(parent.get(), &created, &exited, &kernel, &user);
                GetProcessTimes(child.get(), &created, &exited, &kernel, &user);
            }
        }
        vornel::unique_handle process(OpenProcess(ProcessQueryAccess(), FALSE, pid));
        if (!process)
            continue;
        HANDLE h = process.get();
        vornel::unique_handle token;
        if (OpenProcessToken(h, TOKEN_QUERY, token.put())) {
            BYTE info[512];
            DWORD got;
            if (GetTokenInformation(token.get(), TokenUser, info, sizeof info, &got)) {
                wchar_t account[1024], domain[1024];
                DWORD accountSize = 1024, domainSize = 1024;
                SID_NAME_USE use;
                LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(info)->User.Sid, account, &accountSize,
                                  domain, &domainSize, &use);
            }
            GetTokenInformation(token.get(), TokenIntegrityLevel, info, sizeof info, &got);
            GetTokenInformation(token.get(), TokenElevation, info, sizeof info, &got);
        }
        GetPriorityClass(h);
        GetProcessTimes(h, &created, &exited, &kernel, &user);
        PROCESS_MEMORY_COUNTERS counters;
        GetProcessMemoryInfo(h, &counters, sizeof counters);
        BOOL flag;
        IsWow64Process(h, &flag);
        GetProcessPriorityBoost(h, &flag);
        GetProcessImageFileNameW(h, buffer.get(), 32768);
        entry.dwSize = sizeof entry;
    }
}

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

}  // namespace

int main()
{
    OrshSetShellState(1, 0);
    InitializePlugin();
    ResetOutputState();
    InitOutputOptions(1);

    SyntheticCases(1000);
    SyntheticCases(10000);

    unsigned count = CountProcesses();
    const DWORD allColumns = TL_OWNER | TL_BOOST | TL_PRIORITY | TL_INTEGRITY | TL_TIMES | TL_MEMORY |
                             TL_WINCLASS | TL_EXTRA | TL_PARENT | TL_FILENAME;
    OrshCapture(1);
    Report("real listing, every column (/U/B/C/I/T/M/N/E/Z/F)", count,
           Best(5, [&] { ListProcesses(nullptr, nullptr, allColumns, L"", nullptr); }));
    Report("real listing, no columns", count,
           Best(5, [&] { ListProcesses(nullptr, nullptr, 0, L"", nullptr); }));
    Report("real listing, no columns, no services/windows", count,
           Best(5, [&] { ListProcesses(nullptr, nullptr, TL_NO_SERVICES | TL_NO_WINDOWS, L"", nullptr); }));
    const struct {
        const char* name;
        DWORD flag;
    } columns[] = {{"real listing, owner (/U)", TL_OWNER},        {"real listing, image path (/F)", TL_FILENAME},
                   {"real listing, command line (/L)", TL_CMDLINE}, {"real listing, times (/T)", TL_TIMES},
                   {"real listing, integrity (/I)", TL_INTEGRITY}, {"real listing, extra marks (/E)", TL_EXTRA}};
    for (const auto& column : columns)
        Report(column.name, count, Best(5, [&] { ListProcesses(nullptr, nullptr, column.flag, L"", nullptr); }));
    OrshCapture(0);
    Report("bare snapshot walk and per-process queries", count, Best(5, [] { BareQueries(); }));
    ShutdownPlugin();
    return 0;
}
