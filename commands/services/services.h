// The SERVICES routines below the export: the listing, the order of the
// services, one start or stop request, and one service line. Declared here
// so the tests can drive them with records of their own.
#pragma once

#include <windows.h>
#include <winsvc.h>

#include <vector>

#include "console/forms.h"

#include "frame/owners.h"
#include "procinfo/procinfo.h"

// Option flags, filled from the switches.
inline constexpr DWORD SV_START = 0x1;          // /R: start each listed service first
inline constexpr DWORD SV_STOP = 0x2;           // /S: stop each listed service first
inline constexpr DWORD SV_LINE_NUMBERS = 0x10;  // /L
inline constexpr DWORD SV_PIDS = 0x20;          // /I: process-ID column, decimal
inline constexpr DWORD SV_HEX = 0x40;           // /X: process-ID column, hexadecimal
inline constexpr DWORD SV_TYPES = 0x80;         // /V: service type value
inline constexpr DWORD SV_FILENAME = 0x100;     // /F: image path instead of display name

// Drivers and Win32 services: the type mask when none is given.
inline constexpr DWORD SV_DEFAULT_TYPES = SERVICE_KERNEL_DRIVER | SERVICE_FILE_SYSTEM_DRIVER |
                                          SERVICE_RECOGNIZER_DRIVER | SERVICE_WIN32_OWN_PROCESS |
                                          SERVICE_WIN32_SHARE_PROCESS;

// One name pattern from the command line; the text stays in the split
// argument store. Nodes are malloc'ed.
struct ServiceNameNode {
    ServiceNameNode* next;
    const wchar_t* name;
};

// Lists (and starts or stops) the services; the number of lines written,
// STOPPED, or -1 when the service control manager cannot be opened. A
// manager that cannot be opened and an enumeration that fails get a message,
// and so, with a start or stop request, do each service that does not reach
// the state asked for and each name that selects no service (or whose
// services the type mask or the process-ID filter leave out); `failed` is
// then set.
// With a form writer each service is a record in it (after the request,
// with its result), begun and finished by the caller.
int ListServices(const ServiceNameNode* names, DWORD typeMask, DWORD flags, DWORD pidFilter,
                 const wchar_t* sortKeys, const wchar_t* highlight, bool* failed, FormWriter* form = nullptr);

// Compares two services by the sort keys: 0 when they do not tell the
// services apart.
int CompareServiceKeys(const wchar_t* keys, const ENUM_SERVICE_STATUS_PROCESSW* a,
                       const ENUM_SERVICE_STATUS_PROCESSW* b);
// Orders an array of record pointers by the keys in O(n log n); equal
// services keep their order.
void SortServiceSlots(const ENUM_SERVICE_STATUS_PROCESSW** slots, DWORD count, const wchar_t* keys);

// One request each; `status` (may be null) receives the status (state and
// process ID) read after the request, and keeps what it held when none could
// be read. A start waits, bounded, while the service is starting, and stops
// waiting on Ctrl-C, also while the service manager holds the request; a stop
// does not wait. 0 when the service is, or is on its way to, the state asked
// for (also when it already was, and when Ctrl-C cut the start short); 1
// cannot open; 2 refused, or not running after the start; -1 no name or
// manager. For 1 and 2, `error` (may be null) receives the system's error code.
int StartListedService(SC_HANDLE manager, const wchar_t* name, SERVICE_STATUS_PROCESS* status,
                       DWORD* error = nullptr);
int StopListedService(SC_HANDLE manager, const wchar_t* name, SERVICE_STATUS_PROCESS* status,
                      DWORD* error = nullptr);

// A service's configuration as the service manager holds it (its program
// and arguments among it); null when it cannot be read.
vornel::unique_block<QUERY_SERVICE_CONFIGW> ReadServiceConfig(SC_HANDLE manager, const wchar_t* name);

// The values of one service's line, whole, before any layout: what the
// table writes in its columns, and what another form of output would write.
struct ServiceValues {
    int line;                    // from 1
    DWORD processId;             // 0: the service has no process
    const wchar_t* name;         // the key name, as the service manager gives it
    const wchar_t* displayName;
    DWORD type;                  // the service type value
    const wchar_t* state;        // the state's word
    // With SV_FILENAME the image path of the service's process, empty when
    // it has none or it cannot be read; null without SV_FILENAME.
    vornel::unique_block<wchar_t> path;
};
ServiceValues ReadServiceValues(const ENUM_SERVICE_STATUS_PROCESSW& record, DWORD flags, DWORD state, int line);

// The values laid out in the table's columns, ended with EndLine: 0, or
// STOPPED when the user stopped the output.
int PrintServiceLine(const ENUM_SERVICE_STATUS_PROCESSW* record, DWORD flags, DWORD state, int line,
                     const wchar_t* highlight);

// The forms for programs: the header of the columns the flags select, and
// one service's record with the result of its request (null without one).
int BeginServiceForm(FormWriter& form, DWORD flags);
int WriteServiceRecord(FormWriter& form, const ENUM_SERVICE_STATUS_PROCESSW& record, DWORD flags, DWORD state,
                       int line, const wchar_t* result);

// The word written for a state code; codes above 7 are "Unknown".
const wchar_t* ServiceStateName(DWORD state);

// State codes the listing knows: 1 to 7; anything else counts as 0 ("Unknown").
inline DWORD KnownState(DWORD state) { return state > SERVICE_PAUSED ? 0 : state; }
