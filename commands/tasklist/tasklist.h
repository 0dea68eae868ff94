// The TASKLIST routines below the export: collection and ordering, the
// process line and its columns, the tree, the module list. Declared here so
// the tests and the benchmark can drive them with records of their own.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <memory>
#include <string>
#include <vector>

#include "commands/tasklist/records.h"
#include "console/forms.h"
#include "frame/plugin.h"
#include "procinfo/record_lookup.h"

VORNEL_EXPORT int WINAPI tasklist(const wchar_t* args);

// In the table's form, or in one for programs (/FO) with or without its
// CSV header.
int ListProcesses(const wchar_t* name, const wchar_t* ownerPattern, DWORD flags, const wchar_t* sortKeys,
                  const wchar_t* highlight, OutputForm form = OutputForm::Table, bool header = true);

int CompareProcesses(const ProcessRecord* a, const ProcessRecord* b, const wchar_t* keys);
int CompareThreads(const ThreadRecord* a, const ThreadRecord* b, const wchar_t* keys);

// Put a whole list in the order of the keys, relinking next and previous
// (a list without keys is left as it is); the same order as inserting its
// records one by one, in O(n log n).
void SortProcessList(ProcessRecord** head, const wchar_t* keys);
void SortThreadList(ThreadRecord** head, const wchar_t* keys);

// What a listing looks up for every process, built once from its lists:
// the children by parent ID and the threads by owner, each in list order.
struct ListingIndex {
    ListingIndex(ProcessRecord* list, const ThreadRecord* threads);
    RecordsById<ProcessRecord> children;
    RecordsById<const ThreadRecord> threads;
    using ThreadEntry = RecordsById<const ThreadRecord>::Entry;
};

// What one process line shows, read once: each column's text or number
// and the trailing text, for the table's layout or any other form. The
// defaults are what a process that cannot be opened shows.
struct ProcessValues {
    DWORD processId = 0;
    DWORD parentProcessId = 0;  // 0: none, or a younger process holds the ID
    bool own = false;           // the plug-in's own process
    const wchar_t* name = L"";  // the executable name without extension, as the system gives it
    wchar_t owner[NAME_BUFFER_SIZE] = L"";
    DWORD priorityClass = 0;  // 0: unknown
    int integrity = -1;       // -1: the process did not open; 0: the level cannot be read
    ProcessUsage usage;
    wchar_t windowClass[NAME_BUFFER_SIZE] = L"";
    bool elevated = false;
    BOOL wow64 = FALSE;
    BOOL boostDisabled = FALSE;
    const wchar_t* services = nullptr;  // the display names of its services, joined by "; "; null for none
    DWORD serviceCount = 0;
    const wchar_t* title = nullptr;     // its window's title; null for none
    const wchar_t* trailing = nullptr;  // command line, image path, services or title; null for none
    std::unique_ptr<wchar_t[]> path;    // the command line or image path `trailing` may point into
};
// The values the flags ask for, texts of other programs as they are: each
// form makes them safe in its own way.
void ReadProcessValues(const ProcessRecord* record, DWORD ownPid, DWORD flags, ProcessValues& values);
// The table's line of those values, ended with EndLine: its result.
int WriteProcessLine(const ProcessValues& values, DWORD flags, int width, const wchar_t* highlight);
// Both, then the module lines with /D.
int PrintProcessLine(const ProcessRecord* record, DWORD ownPid, DWORD flags, int width, const wchar_t* highlight);
// The listing in a form for programs: the flat list, or the trees from the
// records marked MARK_ROOT; in JSON each process holds its modules (/D),
// threads (/H) and, in a tree, children as arrays. The command's result.
int WriteProcessForm(ProcessRecord* processes, const ThreadRecord* threads, DWORD flags, OutputForm form,
                     bool header);
class ProcessForm;
// A process and its descendants in the form, at their levels.
int WriteProcessTree(const ListingIndex& index, ProcessRecord* record, ProcessForm& form);
// A process and its descendants, with the lookups of the listing, which
// prints many trees: 0, the first result of a line that was not 0, or -1
// without a record.
int PrintProcessTree(const ListingIndex& index, ProcessRecord* record, DWORD ownPid, DWORD flags, int width,
                     unsigned* processCount, unsigned* threadCount, const wchar_t* prefix, bool last,
                     const wchar_t* highlight);
// The flat list: each process line followed by its threads' lines, which
// are added to the thread count.
int PrintFlatList(const ProcessRecord* processes, const ListingIndex& index, DWORD ownPid, DWORD flags, int width,
                  const wchar_t* highlight, unsigned* threadCount);
// A thread's line, ended with EndLine: its indentation (in a tree the
// prefix of its process's children and what stands under the process), then
// the ID and priority.
int PrintThreadLine(const ThreadRecord* thread, DWORD flags, const wchar_t* prefix = L"    ",
                    const wchar_t* under = L"");
// The empty line and "   Found ..." footer.
int PrintFooter(unsigned processCount, unsigned threadCount, DWORD flags);
int DumpModules(DWORD processId, DWORD flags);
// The modules of a process as a form gives them: each path whole, and its
// base address.
struct ModuleList {
    std::vector<std::wstring> paths;
    std::vector<ULONGLONG> bases;
};
void ReadModules(DWORD processId, ModuleList& modules);
// Writes one module line and ends it; a pointer so that a test can make the
// module walk fail part-way.
extern int (*ModuleLineWriter)(const MODULEENTRY32W& module, DWORD flags);

// A CPU time in 100-ns units as milliseconds to the nearest one, halves up.
ULONGLONG CpuMilliseconds(ULONGLONG span);
int FormatCpuTime(ULONGLONG span, wchar_t* text);
int WriteClipped(const wchar_t* text, int room, BYTE colour);
// The room of a line's last text, given the columns left for it and the two
// blanks before it: what is left short of the line's last column, or, when
// the columns before fill the line, MIN_LAST_TEXT_ROOM.
inline constexpr int MIN_LAST_TEXT_ROOM = 20;
int LastTextRoom(int width);
const wchar_t* PriorityClassWord(DWORD priorityClass);
const wchar_t* IntegrityWord(int integrity);
// The forms' name of the level ("Low" to "Protected"); null where the table
// shows "-" or nothing (the level cannot be read, or the process did not open).
const wchar_t* IntegrityName(int integrity);
// The /MM column's value and unit letter: the working set in G from 1 GiB,
// in M from 1 MiB, in K below; halves rounded up.
wchar_t ShortMemory(ULONGLONG bytes, ULONGLONG* value);
