// One start or stop request for a listed service. A stop does not wait: the
// line written next shows the state right after the request. A start waits,
// bounded, until the service has left "Starting", so that a service whose
// program is missing or that ends at once is reported rather than listed as
// if it had started.
#include <algorithm>

#include "commands/services/services.h"
#include "console/console.h"
#include "frame/owners.h"

namespace {

// A starting service shows progress by raising its checkpoint within the
// wait hint it gives. One that stops doing so, or that is still starting
// after the whole limit, is given up on: one hung service must not hold the
// command. Ctrl-C ends the wait too.
constexpr DWORD START_LIMIT_MS = 30000;
constexpr DWORD HINT_FLOOR_MS = 2000, HINT_CEILING_MS = 10000;
constexpr DWORD POLL_MS = 100;
// How soon Ctrl-C ends the wait for the start request's answer.
constexpr DWORD REQUEST_POLL_MS = 20;

// Reads the status into `status`; leaves it as it was when it cannot be read.
bool ReadStatus(SC_HANDLE service, SERVICE_STATUS_PROCESS* status)
{
    SERVICE_STATUS_PROCESS read;
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&read), sizeof read, &needed))
        return false;
    *status = read;
    return true;
}

void WaitWhileStarting(SC_HANDLE service, SERVICE_STATUS_PROCESS* status)
{
    const DWORD begin = GetTickCount();
    DWORD progressAt = begin, checkPoint = status->dwCheckPoint;
    while (status->dwCurrentState == SERVICE_START_PENDING && !CtrlCSeen) {
        const DWORD now = GetTickCount();
        if (status->dwCheckPoint != checkPoint) {
            checkPoint = status->dwCheckPoint;
            progressAt = now;
        }
        const DWORD hint = std::clamp<DWORD>(status->dwWaitHint, HINT_FLOOR_MS, HINT_CEILING_MS);
        if (now - progressAt >= hint || now - begin >= START_LIMIT_MS)
            return;
        Sleep(POLL_MS);
        if (!ReadStatus(service, status))
            return;
    }
}

// StartServiceW returns only once the service's program has connected to the
// service manager, or the manager has given up on it (after 30 s on Windows,
// 10 s under Wine). So the request is sent from a thread of its own, which the
// command waits for only until Ctrl-C; after that the request goes on alone.
// The thread owns all it uses: a service handle of its own (closed here), and
// a hold on this module taken before it starts and dropped as it ends, so
// neither the end of the command nor the host unloading the plug-in pulls
// anything from under it.
DWORD WINAPI SendStartRequest(void* handle)
{
    DWORD result;
    {
        vornel::unique_sc_handle service(static_cast<SC_HANDLE>(handle));
        result = StartServiceW(service.get(), 0, nullptr) ? NO_ERROR : GetLastError();
    }  // closed before the thread ends, which no destructor would see
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const wchar_t*>(&SendStartRequest), &self);
    FreeLibraryAndExitThread(self, result);
}

// The start request's answer in `refused` (NO_ERROR when accepted); false
// when Ctrl-C ended the wait before the answer came. Without a thread the
// request is made here, and waited for.
bool RequestStart(SC_HANDLE manager, const wchar_t* name, SC_HANDLE service, DWORD* refused)
{
    vornel::unique_sc_handle own(OpenServiceW(manager, name, SERVICE_START));
    if (vornel::unique_hmodule hold; own && GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                                               reinterpret_cast<const wchar_t*>(&SendStartRequest),
                                                               hold.put())) {
        vornel::unique_handle thread(CreateThread(nullptr, 0, SendStartRequest, own.get(), 0, nullptr));
        if (thread) {
            own.release();  // the thread's now, and so is the hold on this module
            hold.release();
            while (WaitForSingleObject(thread.get(), REQUEST_POLL_MS) == WAIT_TIMEOUT)
                if (CtrlCSeen)
                    return false;
            if (!GetExitCodeThread(thread.get(), refused))
                *refused = GetLastError();
            return true;
        }
    }
    *refused = StartServiceW(service, 0, nullptr) ? NO_ERROR : GetLastError();
    return true;
}

// Why a service is not running after its start: its own exit code where it
// gave one, else what the state says.
DWORD NotRunningReason(const SERVICE_STATUS_PROCESS& status)
{
    if (status.dwCurrentState == SERVICE_START_PENDING)
        return ERROR_SERVICE_REQUEST_TIMEOUT;
    if (status.dwWin32ExitCode != NO_ERROR && status.dwWin32ExitCode != ERROR_SERVICE_NEVER_STARTED)
        return status.dwWin32ExitCode;
    return ERROR_SERVICE_NOT_ACTIVE;
}

int Failed(DWORD* error, DWORD code, int result)
{
    if (error)
        *error = code;
    return result;
}

}  // namespace

int StartListedService(SC_HANDLE manager, const wchar_t* name, SERVICE_STATUS_PROCESS* status, DWORD* error)
{
    if (!manager || !name || !*name)
        return -1;
    vornel::unique_sc_handle service(OpenServiceW(manager, name, SERVICE_QUERY_STATUS | SERVICE_START));
    if (!service)
        return Failed(error, GetLastError(), 1);
    DWORD refused = NO_ERROR;
    const bool answered = RequestStart(manager, name, service.get(), &refused);
    // Already running (or being started by someone else): the state asked for.
    if (refused == ERROR_SERVICE_ALREADY_RUNNING)
        refused = NO_ERROR;
    SERVICE_STATUS_PROCESS now;
    if (!ReadStatus(service.get(), &now))
        return refused ? Failed(error, refused, 2) : 0;
    if (answered && !refused)
        WaitWhileStarting(service.get(), &now);
    if (status)
        *status = now;
    if (refused)
        return Failed(error, refused, 2);
    // A paused service has started; a start that the user cut short with
    // Ctrl-C is left as it is, whatever state it has reached.
    const DWORD state = now.dwCurrentState;
    if (!answered || (CtrlCSeen && state == SERVICE_START_PENDING))
        return 0;
    if (state == SERVICE_STOPPED || state == SERVICE_STOP_PENDING || state == SERVICE_START_PENDING)
        return Failed(error, NotRunningReason(now), 2);
    return 0;
}

int StopListedService(SC_HANDLE manager, const wchar_t* name, SERVICE_STATUS_PROCESS* status, DWORD* error)
{
    if (!manager || !name || !*name)
        return -1;
    vornel::unique_sc_handle service(OpenServiceW(manager, name, SERVICE_QUERY_STATUS | SERVICE_STOP));
    if (!service)
        return Failed(error, GetLastError(), 1);
    SERVICE_STATUS control;
    const bool accepted = ControlService(service.get(), SERVICE_CONTROL_STOP, &control) != 0;
    const DWORD refused = accepted ? NO_ERROR : GetLastError();
    // The process ID comes only with a query; when that fails after an
    // accepted stop, the state the control returned stands.
    SERVICE_STATUS_PROCESS now;
    const bool known = ReadStatus(service.get(), &now);
    if (status && known)
        *status = now;
    else if (status && accepted)
        status->dwCurrentState = control.dwCurrentState;
    // Not running, or already on its way to stopping: the state asked for.
    if (accepted || refused == ERROR_SERVICE_NOT_ACTIVE ||
        (known && (now.dwCurrentState == SERVICE_STOPPED || now.dwCurrentState == SERVICE_STOP_PENDING)))
        return 0;
    return Failed(error, refused, 2);
}

vornel::unique_block<QUERY_SERVICE_CONFIGW> ReadServiceConfig(SC_HANDLE manager, const wchar_t* name)
{
    vornel::unique_block<QUERY_SERVICE_CONFIGW> config;
    vornel::unique_sc_handle service(OpenServiceW(manager, name, SERVICE_QUERY_CONFIG));
    DWORD needed = 0;
    if (!service || QueryServiceConfigW(service.get(), nullptr, 0, &needed) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return config;
    config = vornel::unique_block<QUERY_SERVICE_CONFIGW>::allocate(needed);
    if (config && !QueryServiceConfigW(service.get(), config.get(), needed, &needed))
        config.reset();
    return config;
}
