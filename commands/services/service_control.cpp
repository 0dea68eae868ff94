// One start or stop request for a listed service. Neither waits: the line
// written next shows the state the service reports right after the request.
#include "commands/services/services.h"
#include "frame/owners.h"

int StartListedService(SC_HANDLE manager, const wchar_t* name, DWORD* state)
{
    if (!manager || !name || !*name)
        return -1;
    vornel::unique_sc_handle service(OpenServiceW(manager, name, SERVICE_QUERY_STATUS | SERVICE_START));
    if (!service)
        return 1;
    const BOOL started = StartServiceW(service.get(), 0, nullptr);
    // Also after a refused start: an already running service shows "Running".
    SERVICE_STATUS status;
    if (state && QueryServiceStatus(service.get(), &status))
        *state = KnownState(status.dwCurrentState);
    return started ? 0 : 2;
}

int StopListedService(SC_HANDLE manager, const wchar_t* name, DWORD* state)
{
    if (!manager || !name || !*name)
        return -1;
    vornel::unique_sc_handle service(OpenServiceW(manager, name, SERVICE_QUERY_STATUS | SERVICE_STOP));
    if (!service)
        return 1;
    SERVICE_STATUS status;
    if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &status))
        return 2;
    if (state)
        *state = KnownState(status.dwCurrentState);
    return 0;
}
