// TASKLIST's option flags and the records its lists are made of: one record
// per process (and per thread with /H), each allocated singly with malloc and
// linked in sort order.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include "procinfo/procinfo.h"

inline constexpr DWORD TL_HEX = 0x1;
inline constexpr DWORD TL_THREADS = 0x2;
inline constexpr DWORD TL_NO_FOOTER = 0x4;
inline constexpr DWORD TL_NO_SERVICES = 0x8;
inline constexpr DWORD TL_NO_WINDOWS = 0x10;
inline constexpr DWORD TL_OWNER = 0x20;
inline constexpr DWORD TL_CLASS_NAMES = 0x40;
inline constexpr DWORD TL_EXTRA = 0x80;
inline constexpr DWORD TL_CUT_WINCLASS = 0x100;
inline constexpr DWORD TL_WINCLASS = 0x200;
inline constexpr DWORD TL_TIMES = 0x400;
inline constexpr DWORD TL_PRIORITY = 0x800;
inline constexpr DWORD TL_MEMORY = 0x1000;
inline constexpr DWORD TL_MEMORY_SHORT = 0x2000;
inline constexpr DWORD TL_CMDLINE = 0x4000;
inline constexpr DWORD TL_MODULES = 0x8000;
inline constexpr DWORD TL_MODULE_BASE = 0x10000;
inline constexpr DWORD TL_PARENT = 0x20000;
inline constexpr DWORD TL_BOOST = 0x40000;
inline constexpr DWORD TL_INTEGRITY = 0x80000;
inline constexpr DWORD TL_FILENAME = 0x100000;
inline constexpr DWORD TL_TREE = 0x400000;
inline constexpr DWORD TL_NO_TITLE_MATCH = 0x800000;

// ProcessRecord::mark: ListProcesses marks the records a tree starts at;
// the tree walk marks those on the branch it is drawing.
inline constexpr DWORD MARK_ROOT = 0x1;
inline constexpr DWORD MARK_ON_BRANCH = 0x2;

struct ProcessRecord {
    ProcessRecord* next;
    ProcessRecord* previous;
    const WindowTitleInfo* window;
    const wchar_t* services;
    DWORD serviceCount;  // how many display names `services` joins
    DWORD mark;
    // The snapshot entry, with the executable name cut at its last "." and
    // the parent ID 0 when that parent is younger than the process.
    PROCESSENTRY32W entry;
    // The working set in bytes, read only for a list sorted by it (/O:M);
    // 0 when it cannot be read.
    ULONGLONG workingSet;
};

struct ThreadRecord {
    ThreadRecord* next;
    ThreadRecord* previous;
    DWORD threadId;
    DWORD ownerProcessId;
    LONG basePriority;
};
