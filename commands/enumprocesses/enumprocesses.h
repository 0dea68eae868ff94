// ENUMPROCESSES: the processes descended from one or more given processes,
// printed as indented trees from one reading of the system's processes.
#pragma once

#include <windows.h>

#include <memory>
#include <span>

#include "commands/common/front_end.h"
#include "frame/args.h"
#include "frame/plugin.h"
#include "frame/usage_texts.h"
#include "procinfo/procinfo.h"
#include "procinfo/record_lookup.h"

// One process of the system's list (or the snapshot); one malloc'ed block
// each, sized to the name. The list keeps the system's order.
struct _EnumProcInfo {
    _EnumProcInfo* next;
    DWORD processId;
    DWORD parentProcessId;  // 0 when the snapshot gave none or the link is stale
    // Set only while a tree walk is below this process: the walk's state,
    // not the process's.
    mutable bool onBranch;
    wchar_t name[1];  // image file name, stored inline
};

// Option flags.
inline constexpr unsigned EP_HEX = 0x1;      // /X
inline constexpr unsigned EP_TREE = 0x2;     // /T
inline constexpr unsigned EP_WINDOWS = 0x4;  // /W

// At most this many processes may be named on one command line.
inline constexpr int MAX_REQUESTED_PIDS = 64;

// The command: what its words ask for, read through the shared front end,
// and the trees it prints.
struct EnumProcessesCommand {
    static constexpr unsigned SPLIT = SA_SPLIT_SPACE | SA_SPLIT_SWITCH | SA_UPPER;
    static constexpr const wchar_t* USAGE = EnumprocessesUsageText;
    static constexpr const wchar_t* FORMS = EnumprocessesFormText;
    static const SortSwitch SORT;

    // The processes, their names, parents and creation times (for the parent
    // check) come from one list of every process, asked for at the first
    // name to find or else for the trees, and kept for the whole command.
    ProcessScope scope{false};
    SharedSwitches shared;
    DWORD requested[MAX_REQUESTED_PIDS];
    int requestedCount = 0;
    unsigned flags = 0;
    std::unique_ptr<wchar_t[]> nameBuffer = std::make_unique_for_overwrite<wchar_t[]>(PATH_BUFFER_SIZE);

    int ReadSwitch(wchar_t* word);
    int ReadArgument(wchar_t* word);
    int CheckWords();
    int List() const;
};

// A record for one process, or null when memory runs out.
_EnumProcInfo* NewEnumProcInfo(DWORD processId, DWORD parentProcessId, const wchar_t* name);
// Builds the list from a process snapshot, or from the system's list of
// every process, dropping parent links that a newer process has taken
// over. 0, or -2 when a record cannot be allocated (the records built so
// far stay in the list for the caller to free).
int BuildEnumProcList(HANDLE snapshot, _EnumProcInfo** head);
int BuildEnumProcList(const SystemProcessList& system, _EnumProcInfo** head);
// The ID of the first process whose image name (or, for a pattern with a
// backslash, full image path) matches the pattern; -1 if none. The
// processes are those of the live ProcessScope's list of every process, or
// of a fresh snapshot where there is no such list.
int FindProcessByName(const wchar_t* pattern);

// The records of a list by parent ID, in snapshot order: the children of
// every process, looked up once for all the trees of one command.
using EnumProcChildren = RecordsById<const _EnumProcInfo>;
DWORD ChildKey(const _EnumProcInfo* record);

class FormTree;

// What every line of the trees of one command shares.
struct DescendantOptions {
    unsigned flags = 0;
    const wchar_t* highlightList = nullptr;      // null or empty: no highlight
    const wchar_t* sortKeys = nullptr;           // null or empty: snapshot order
    const ProcessTexts* texts = nullptr;         // titles and services, for EP_WINDOWS
    const EnumProcChildren* children = nullptr;  // the list's index; built from it when null
    FormTree* form = nullptr;                    // records for programs (/FO) instead of lines
};

// The columns of the form's records, with /W or without.
std::span<const wchar_t* const> DescendantColumns(unsigned flags);

// Prints the line of one process and, indented under it, its descendants
// (in a form: their records). 0, STOPPED when the user stopped the output,
// -1 for a missing list, or what the form's writer gave.
int PrintDescendants(const _EnumProcInfo* list, DWORD processId, const wchar_t* name, const wchar_t* prefix,
                     bool isLast, const DescendantOptions& options);
// Orders two children by the sort keys ("P", "N"; lower case reversed);
// 0 when every key ties, so a stable sort keeps snapshot order.
int CompareChildren(const wchar_t* sortKeys, const _EnumProcInfo* a, const _EnumProcInfo* b);

VORNEL_EXPORT int WINAPI enumprocesses(const wchar_t* args);
