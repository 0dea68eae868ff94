// A service program for the tests: it runs the services named on its command
// line (vornel_testservice.exe NAME...), in one process when they are
// registered as share-process services with the same command line, or one
// per process. Each service reports SERVICE_RUNNING as soon as it starts and
// SERVICE_STOPPED when it receives SERVICE_CONTROL_STOP. With --never first
// (vornel_testservice.exe --never NAME) it never connects to the control
// manager, which holds the start request until it gives up on the program
// and ends it (10 s under Wine).
// With --fail CODE first, a start is accepted and the service stops at once with exit code CODE
// (0 included). With --progress MS first, a start reports progress (a new checkpoint every 100 ms)
// for MS, then stays in "Starting" without progress, accepting no control, until the event
// Global\VornelTestService-NAME-release is set (or a minute has passed); then it stops.
//
// The names must be on the command line because a share-process program
// dispatches start requests by service name; an own-process program gets
// every start request whatever name its table holds.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TestService {
    const wchar_t* name;
    SERVICE_STATUS_HANDLE status;
    HANDLE stopEvent;
};

std::vector<TestService> Services;
bool Fails = false;
DWORD FailCode = 0;
DWORD ProgressMs = 0;

TestService* FindService(const wchar_t* name)
{
    for (TestService& service : Services)
        if (name && lstrcmpiW(service.name, name) == 0)
            return &service;
    return Services.size() == 1 ? &Services[0] : nullptr;
}

void Report(TestService* service, DWORD state)
{
    SERVICE_STATUS status{};
    status.dwWin32ExitCode = state == SERVICE_STOPPED ? FailCode : NO_ERROR;
    status.dwServiceType = SERVICE_WIN32;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(service->status, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void* context)
{
    auto* service = static_cast<TestService*>(context);
    switch (control) {
    case SERVICE_CONTROL_STOP:
        Report(service, SERVICE_STOP_PENDING);
        SetEvent(service->stopEvent);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD argc, wchar_t** argv)
{
    TestService* service = FindService(argc ? argv[0] : nullptr);
    if (!service)
        return;
    service->status = RegisterServiceCtrlHandlerExW(service->name, Handler, service);
    if (!service->status)
        return;
    // A service may be started again after it stopped, in the same process.
    ResetEvent(service->stopEvent);
    if (Fails) {
        Report(service, SERVICE_START_PENDING);
        Sleep(300);
        return Report(service, SERVICE_STOPPED);
    }
    if (ProgressMs) {
        HANDLE release = CreateEventW(nullptr, TRUE, FALSE,
                                      (std::wstring(L"Global\\VornelTestService-") + service->name + L"-release").c_str());
        SERVICE_STATUS status{SERVICE_WIN32, SERVICE_START_PENDING, 0, NO_ERROR, 0, 0, 2000};
        for (DWORD waited = 0; waited < ProgressMs; waited += 100, Sleep(100)) {
            ++status.dwCheckPoint;
            SetServiceStatus(service->status, &status);
        }
        WaitForSingleObject(release, 60000);
        CloseHandle(release);
        return Report(service, SERVICE_STOPPED);
    }
    Report(service, SERVICE_RUNNING);
    WaitForSingleObject(service->stopEvent, INFINITE);
    Report(service, SERVICE_STOPPED);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int first = 1;
    if (argc > 1 && lstrcmpW(argv[1], L"--never") == 0) {
        Sleep(120000);  // far longer than the manager waits
        return 3;
    }
    if (argc > 2 && lstrcmpW(argv[1], L"--fail") == 0) {
        Fails = true, FailCode = static_cast<DWORD>(_wtoi(argv[2])), first = 3;
    } else if (argc > 2 && lstrcmpW(argv[1], L"--progress") == 0) {
        ProgressMs = static_cast<DWORD>(_wtoi(argv[2])), first = 3;
    }
    if (argc <= first)
        return 2;
    for (int i = first; i < argc; ++i)
        Services.push_back({argv[i], nullptr, CreateEventW(nullptr, TRUE, FALSE, nullptr)});

    std::vector<SERVICE_TABLE_ENTRYW> table;
    for (TestService& service : Services)
        table.push_back({const_cast<wchar_t*>(service.name), ServiceMain});
    table.push_back({nullptr, nullptr});

    // Fails when the program is not started by the service control manager.
    return StartServiceCtrlDispatcherW(table.data()) ? 0 : 1;
}
