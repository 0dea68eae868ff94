#include "tests/support/test_service.h"

#include "tests/support/process_runner.h"

namespace vornel::test {

namespace {

bool QueryStatus(SC_HANDLE service, SERVICE_STATUS_PROCESS* status)
{
    DWORD needed = 0;
    return service && QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(status),
                                           sizeof *status, &needed);
}

}  // namespace

TestServices::TestServices(std::vector<std::wstring> names, bool shareProcess)
    : manager_(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS))
{
    if (!manager_)
        return;
    // A share-process program learns from its command line which services
    // it dispatches, so every service of the group gets the same command line.
    const std::wstring program = L"\"" + BinPath(L"vornel_testservice.exe") + L"\"";
    std::wstring all;
    for (const std::wstring& name : names)
        all += L" " + name;

    ok_ = true;
    const DWORD type = shareProcess ? SERVICE_WIN32_SHARE_PROCESS : SERVICE_WIN32_OWN_PROCESS;
    for (std::wstring& name : names) {
        const std::wstring command = program + (shareProcess ? all : L" " + name);
        const std::wstring display = L"Vornel Test " + name;
        unique_sc_handle service(CreateServiceW(manager_.get(), name.c_str(), display.c_str(), SERVICE_ALL_ACCESS,
                                                type, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, command.c_str(),
                                                nullptr, nullptr, nullptr, nullptr, nullptr));
        if (!service && GetLastError() == ERROR_SERVICE_EXISTS) {
            // Left over from an interrupted run: take it over with our settings.
            service.reset(OpenServiceW(manager_.get(), name.c_str(), SERVICE_ALL_ACCESS));
            if (service && !ChangeServiceConfigW(service.get(), type, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                                 command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                                 display.c_str()))
                service.reset();
        }
        if (!service)
            ok_ = false;
        services_.push_back({std::move(name), std::move(service)});
    }
}

TestServices::~TestServices()
{
    for (Entry& entry : services_) {
        if (!entry.service)
            continue;
        Stop(entry.name);
        DeleteService(entry.service.get());
    }
}

bool TestServices::ok() const { return ok_; }

SC_HANDLE TestServices::Find(const std::wstring& name) const
{
    for (const Entry& entry : services_)
        if (entry.name == name)
            return entry.service.get();
    return nullptr;
}

bool TestServices::WaitForState(SC_HANDLE service, DWORD state) const
{
    for (int i = 0; i < 200; ++i) {
        SERVICE_STATUS_PROCESS status;
        if (!QueryStatus(service, &status))
            return false;
        if (status.dwCurrentState == state)
            return true;
        Sleep(50);
    }
    return false;
}

bool TestServices::Start(const std::wstring& name)
{
    SC_HANDLE service = Find(name);
    if (!service)
        return false;
    if (!StartServiceW(service, 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        return false;
    return WaitForState(service, SERVICE_RUNNING);
}

bool TestServices::Stop(const std::wstring& name)
{
    SC_HANDLE service = Find(name);
    if (!service)
        return false;
    SERVICE_STATUS status;
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status) && GetLastError() != ERROR_SERVICE_NOT_ACTIVE &&
        GetLastError() != ERROR_SERVICE_CANNOT_ACCEPT_CTRL)
        return false;
    return WaitForState(service, SERVICE_STOPPED);
}

DWORD TestServices::State(const std::wstring& name) const
{
    SERVICE_STATUS_PROCESS status;
    return QueryStatus(Find(name), &status) ? status.dwCurrentState : 0;
}

DWORD TestServices::ProcessId(const std::wstring& name) const
{
    SERVICE_STATUS_PROCESS status;
    return QueryStatus(Find(name), &status) ? status.dwProcessId : 0;
}

}  // namespace vornel::test
