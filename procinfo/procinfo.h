// Questions several commands ask about processes: pattern-list matching,
// image paths in drive-letter form, owner, command line, integrity,
// elevation, creation order, working set and CPU times (from the system's
// list of every process), and the per-process window-title and
// service-name lists.
#pragma once

#include <windows.h>
#include <winsvc.h>

#include <memory>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "frame/owners.h"

inline constexpr int PATH_BUFFER_SIZE = 32768;
inline constexpr int NAME_BUFFER_SIZE = 1024;

// The process with exactly this ID, opened with `access` (which must hold a
// query right); null when it does not open or the handle would belong to a
// neighbouring ID, GetLastError() then ERROR_INVALID_PARAMETER as for an ID
// without a process. Every ID the plug-in opens goes through this.
vornel::unique_handle OpenProcessById(DWORD access, DWORD pid);

// Name matching and image paths.
int MatchProcessName(const wchar_t* patternList, const wchar_t* text);
int DevicePathToDosPath(wchar_t* path);
int GetProcessImagePath(DWORD processId, wchar_t* path);
// The same from a process handle opened with the query right.
int ReadProcessImagePath(HANDLE process, wchar_t* path);

// While one lives, a cache of its kind serves the whole process: the
// innermost live scope's, as commands run one at a time on the host's
// thread. The cache's kind is defined, and the scope made for it, in the
// file that uses it.
template <typename Cache>
class CacheScope {
public:
    template <typename... Settings>
    explicit CacheScope(Settings... settings);
    ~CacheScope();
    CacheScope(const CacheScope&) = delete;
    CacheScope& operator=(const CacheScope&) = delete;

    // The innermost live scope's cache; null outside every scope.
    static Cache* Active() { return active_; }

private:
    std::unique_ptr<Cache> cache_;
    Cache* outer_;
    static inline Cache* active_ = nullptr;
};

// While one lives, DevicePathToDosPath reads the drive letters' device
// targets from the system once, at the first path, instead of at every
// path: a command that rewrites the paths of all processes or services
// holds one.
struct DriveMapCache;
using DriveMapScope = CacheScope<DriveMapCache>;

// What the system's list of every process tells of one process; times in
// 100-nanosecond units. The name lies in the list's own memory.
struct SystemProcessRecord {
    DWORD processId;
    ULONGLONG created;
    ULONGLONG kernelTime, userTime;
    ULONGLONG workingSet;
    DWORD parentProcessId;
    DWORD threadCount;
    LONG basePriority;
    // As a snapshot names it: the idle process, which the list leaves
    // without a name, is "[System Process]".
    std::wstring_view name;
};

// A thread of a process in the same list, as a thread snapshot tells it.
struct SystemThreadRecord {
    DWORD threadId;
    DWORD ownerProcessId;
    LONG basePriority;
};

// The records of one query of the system for every process and thread, in
// the system's order and by process ID.
class SystemProcessList {
public:
    // Asks the system; false, and no records, when it does not answer.
    bool Query();
    std::span<const SystemProcessRecord> Records() const { return records_; }
    // Every process's threads, process after process in the system's order.
    std::span<const SystemThreadRecord> Threads() const { return threads_; }
    // The record of the process with this ID, when that process was created
    // before `createdBefore`; else null. A record created later belongs to
    // a process that took the ID over after the caller's snapshot.
    const SystemProcessRecord* Find(DWORD processId, ULONGLONG createdBefore) const;

private:
    vornel::unique_block<BYTE> buffer_;
    std::vector<SystemProcessRecord> records_;
    std::vector<SystemThreadRecord> threads_;
    std::vector<std::pair<DWORD, const SystemProcessRecord*>> byId_;
};

// While one lives, the processes the plug-in queries stay open: each is
// opened once, with the memory right too when `memory` (the scope's one
// setting) is set and the process grants it. The first question for a
// creation time, a working set or CPU times (or for the list itself) asks
// the system for its list of every process, once for the scope's life; what
// the list cannot answer is asked of the process, once. An account's name
// is looked up once too.
//
// Make it before any snapshot of the processes it serves: the system's
// record of a process is only taken for one that existed when the scope
// began, so that an ID taken over since is not answered with the record of
// the wrong process.
struct ProcessCache;
using ProcessScope = CacheScope<ProcessCache>;

// A process opened with the query right (and PROCESS_VM_READ when `memory`
// is set and granted), lent by the live ProcessScope or else opened and
// closed by this owner. get() is null when the process does not open.
class ProcessHandle {
public:
    ProcessHandle(DWORD pid, bool memory);
    HANDLE get() const { return handle_; }
    bool memoryReadable() const { return memoryReadable_; }

private:
    vornel::unique_handle owned_;
    HANDLE handle_ = nullptr;
    bool memoryReadable_ = false;
};

// The live ProcessScope's list of every process, asked for at the first
// call of the scope's life; null when there is no scope or the system did
// not answer.
const SystemProcessList* SystemProcesses();

// The creation time of a process, from the live ProcessScope's list of
// every process where it has one; false when it cannot be opened or read.
bool ProcessCreationTime(DWORD pid, ULONGLONG* created);

// The working set and CPU times of a process (times in 100-nanosecond
// units), each with whether it could be read.
struct ProcessUsage {
    bool memoryRead = false;
    ULONGLONG workingSet = 0;
    bool timesRead = false;
    ULONGLONG kernelTime = 0, userTime = 0;
};
// From the live ProcessScope's list of every process; where there is no
// scope, the list could not be read or holds no record of the process,
// from the process itself (nothing when it does not open). Within a scope
// each process is asked once.
ProcessUsage ReadProcessUsage(DWORD pid);

// The name of the account a SID stands for, without its domain, cut to
// NAME_BUFFER_SIZE - 1 characters; empty when the system cannot name it.
// Within a ProcessScope each SID is looked up once: the processes of a
// listing share a handful of owners.
void ReadAccountName(PSID sid, wchar_t* name);

// Attribute queries.
int GetProcessOwner(HANDLE process, wchar_t* owner);
int GetProcessCommandLine(DWORD processId, wchar_t* commandLine);
int GetProcessIntegrity(HANDLE process);
// The same from handles already open: a process opened with the query right
// and PROCESS_VM_READ, a token opened with TOKEN_QUERY.
int ReadProcessCommandLine(HANDLE process, wchar_t* commandLine);
int ReadTokenOwner(HANDLE token, wchar_t* owner);
int ReadTokenIntegrity(HANDLE token);
// 1 elevated, 0 not, -1 when the token cannot tell (systems before 6).
int ReadTokenElevation(HANDLE token);
int IsProcessElevated(DWORD processId);
int IsProcessNewer(DWORD processIdA, DWORD processIdB);
// The check that both process-tree builders make on a parent ID: non-zero
// when the process now holding that ID was created after the child, so the
// ID was reused. IsProcessNewer; a pointer so that a test can stand in for
// the system's creation times.
extern int (*ParentIsYounger)(DWORD parentId, DWORD childId);

// Window titles: one record per process, the window most like its main
// window. Records are malloc'ed, sized to their title.
struct WindowTitleInfo {
    WindowTitleInfo* next;
    WindowTitleInfo* previous;
    HWND window;
    DWORD processId;
    DWORD rank;
    wchar_t title[1];  // 2 to 1023 characters, stored inline
};

// The local service manager, opened to enumerate services and to open them;
// null, with the reason in GetLastError(), when it refuses.
vornel::unique_sc_handle OpenServiceManager();

// The services of the types in a mask with their state and process ID, as
// one enumeration packs them: the records, then the texts they point to.
class ServiceList {
public:
    // Enumerates anew: NO_ERROR with the records (none when no service is of
    // those types), or the reason there are none.
    DWORD Read(SC_HANDLE manager, DWORD typeMask);
    std::span<const ENUM_SERVICE_STATUS_PROCESSW> Records() const
    {
        return {reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(block_.get()), count_};
    }

private:
    vornel::unique_block<BYTE> block_;
    DWORD count_ = 0;
};

// The system's enumeration call; the tests put a failing one in its place,
// as the system's own cannot be made to fail on purpose.
using EnumServicesCall = decltype(&EnumServicesStatusExW);
extern EnumServicesCall EnumerateServices;

inline constexpr int SERVICE_NAMES_SIZE = 1024;

// Service names: one record per hosting process, the display names of its
// services joined by "; ".
struct ServiceNamesInfo {
    ServiceNamesInfo* next;
    DWORD processId;
    DWORD nameCount;
    wchar_t names[SERVICE_NAMES_SIZE];
};

BOOL CALLBACK CollectWindowTitle(HWND window, LPARAM listHeadAddress);
int CollectServiceNames(ServiceNamesInfo** listHead);
// Adds one service's display name to the record of its process (a new
// record at the end when the process has none); names of process 0 and empty
// names are ignored, and a name that does not fit whole into the record's
// 1024 characters is left out. 1 when the name was placed, else 0.
int AddServiceName(ServiceNamesInfo** listHead, DWORD processId, const wchar_t* displayName);

// Lookups by process ID; null when the process has no record.
const WindowTitleInfo* FindWindowTitle(const WindowTitleInfo* list, DWORD processId);
const ServiceNamesInfo* FindServiceNames(const ServiceNamesInfo* list, DWORD processId);
