// The plug-in's outer frame: the information record handed to the host and
// the process-wide state prepared at start-up and released at shutdown.
#pragma once

#include <windows.h>

#include <exception>

#include "frame/owners.h"
#include "vornel_version.h"

// Exports the host calls by name. The object files live in a static library
// that the DLL links whole, so every export defined with this reaches the DLL.
#define VORNEL_EXPORT extern "C" __declspec(dllexport)

// No C++ exception may leave an export: it would cross into a host built by
// another compiler. Every export runs its work through this; an exception
// that escapes it is reported on standard error (out of memory, or an
// unexpected failure) and the export gives `failure`.
void ReportEscapedException(std::exception_ptr escaped) noexcept;
template <typename Run>
int Guarded(int failure, Run run) noexcept
{
    try {
        return run();
    } catch (...) {
        ReportEscapedException(std::current_exception());
        return failure;
    }
}

struct PluginInfo {
    const wchar_t* pszDll;
    const wchar_t* pszAuthor;
    const wchar_t* pszEmail;
    const wchar_t* pszWWW;
    const wchar_t* pszDescription;
    const wchar_t* pszFunctions;
    unsigned int nMajor;
    unsigned int nMinor;
    unsigned int nBuild;
    // The host's own definition of the record may go on; static storage
    // leaves anything after the build number zero.
    HMODULE hModule;
    const wchar_t* pszModule;
};

using NtQueryInformationProcessPtr = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
using NtQuerySystemInformationPtr = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

inline constexpr wchar_t PluginName[] = L"Vornel";
inline constexpr wchar_t PluginNames[] = L"enumprocesses,services,tasklist,@elevated,@pidexename,@pidsvcnames";
// The record carries three of the four numbers; the version line shows all four.
inline constexpr unsigned PluginMajor = VORNEL_VERSION_MAJOR, PluginMinor = VORNEL_VERSION_MINOR,
                          PluginBuild = VORNEL_VERSION_BUILD, PluginRevision = VORNEL_VERSION_REVISION;

extern HMODULE PluginModule;
extern OSVERSIONINFOEXW OsVersionInfo;
extern NtQueryInformationProcessPtr NtQueryInformationProcessFn;
extern NtQuerySystemInformationPtr NtQuerySystemInformationFn;
extern vornel::unique_handle ConsoleOutput;
extern vornel::unique_handle HelpViewerProcess;
// The console's part of the shutdown, which the frame cannot name: set by
// the console when it installs its Ctrl-C handler, run by ShutdownPlugin
// between ending the help viewer and closing the console output.
extern int (*ConsoleShutdown)();

// Every choice by Windows generation is "below 6" against "6 or later".
inline bool OsIsVistaOrLater() { return OsVersionInfo.dwMajorVersion >= 6; }

// The right to query a process: the limited right where it exists.
inline DWORD ProcessQueryAccess()
{
    return OsIsVistaOrLater() ? PROCESS_QUERY_LIMITED_INFORMATION : PROCESS_QUERY_INFORMATION;
}

int ReadOsVersion();
int EnableDebugPrivilege();
int OpenConsoleOutput();

VORNEL_EXPORT PluginInfo* WINAPI GetPluginInfo(void);
VORNEL_EXPORT int WINAPI InitializePlugin(void);
VORNEL_EXPORT int WINAPI ShutdownPlugin(void);
VORNEL_EXPORT int WINAPI Usage(const wchar_t* name, wchar_t* buffer);
VORNEL_EXPORT int WINAPI Help(const wchar_t* topic);
// The _clver internal variable; the DLL exports it under the decorated name
// of `int _clver$(wchar_t*)` (see Vornel.def).
extern "C" int _clver(wchar_t* buffer);
