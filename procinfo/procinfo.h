// Questions several commands ask about processes: pattern-list matching,
// image paths in drive-letter form, owner, command line, integrity,
// elevation, creation order, and the per-process window-title and
// service-name lists.
#pragma once

#include <windows.h>

inline constexpr int PATH_BUFFER_SIZE = 32768;
inline constexpr int NAME_BUFFER_SIZE = 1024;

// Name matching and image paths.
int MatchProcessName(const wchar_t* patternList, const wchar_t* text);
int DevicePathToDosPath(wchar_t* path);
int GetProcessImagePath(DWORD processId, wchar_t* path);

// Attribute queries.
int GetProcessOwner(HANDLE process, wchar_t* owner);
int GetProcessCommandLine(DWORD processId, wchar_t* commandLine);
int GetProcessIntegrity(HANDLE process);
int IsProcessElevated(DWORD processId);
int IsProcessNewer(DWORD processIdA, DWORD processIdB);

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
