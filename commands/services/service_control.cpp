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

void WaitWhileStarting(SC_HANDLE service, SERVICE_STATUS* status)
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
        SERVICE_STATUS next;
        if (!QueryServiceStatus(service, &next))
            return;
        *status = next;
    }
}

// Why a service is not running after its start: its own exit code where it
// gave one, else what the state says.
DWORD NotRunningReason(const SERVICE_STATUS& status)
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

int StartListedService(SC_HANDLE manager, const wchar_t* name, DWORD* state, DWORD* error)
{
    if (!manager || !name || !*name)
        return -1;
    vornel::unique_sc_handle service(OpenServiceW(manager, name, SERVICE_QUERY_STATUS | SERVICE_START));
    if (!service)
        return Failed(error, GetLastError(), 1);
    DWORD refused = StartServiceW(service.get(), 0, nullptr) ? NO_ERROR : GetLastError();
    // Already running (or being started by someone else): the state asked for.
    if (refused == ERROR_SERVICE_ALREADY_RUNNING)
        refused = NO_ERROR;
    SERVICE_STATUS status;
    if (!QueryServiceStatus(service.get(), &status))
        return refused ? Failed(error, refused, 2) : 0;
    if (!refused)
        WaitWhileStarting(service.get(), &status);
    if (state)
        *state = KnownState(status.dwCurrentState);
    if (refused)
        return Failed(error, refused, 2);
    // A paused service has started; a start that the user cut short with
    // Ctrl-C is left as it is.
    const DWORD now = status.dwCurrentState;
    if (now == SERVICE_STOPPED || now == SERVICE_STOP_PENDING || (now == SERVICE_START_PENDING && !CtrlCSeen))
        return Failed(error, NotRunningReason(status), 2);
    return 0;
}

int StopListedService(SC_HANDLE manager, const wchar_t* name, DWORD* state, DWORD* error)
{
    if (!manager || !name || !*name)
        return -1;
    vornel::unique_sc_handle service(OpenServiceW(manager, name, SERVICE_QUERY_STATUS | SERVICE_STOP));
    if (!service)
        return Failed(error, GetLastError(), 1);
    SERVICE_STATUS status;
    if (ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
        if (state)
            *state = KnownState(status.dwCurrentState);
        return 0;
    }
    const DWORD refused = GetLastError();
    const bool known = QueryServiceStatus(service.get(), &status) != 0;
    if (known && state)
        *state = KnownState(status.dwCurrentState);
    // Not running, or already on its way to stopping: the state asked for.
    if (refused == ERROR_SERVICE_NOT_ACTIVE ||
        (known && (status.dwCurrentState == SERVICE_STOPPED || status.dwCurrentState == SERVICE_STOP_PENDING)))
        return 0;
    return Failed(error, refused, 2);
}
