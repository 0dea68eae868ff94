// Services of our own test service program (vornel_testservice.exe),
// registered in the current Wine prefix for the lifetime of one object.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "frame/owners.h"

namespace vornel::test {

// Registers services of vornel_testservice.exe with CreateServiceW (demand
// start), display name L"Vornel Test " + name; stops and deletes them on
// destruction. Names must be unique to the test that uses them, so tests
// never see each other's services.
//
// shareProcess registers them as SERVICE_WIN32_SHARE_PROCESS with one
// command line, which on Windows runs them all in one process. Wine 8.0's
// service control manager does not share processes between Win32 services
// (only drivers share winedevice.exe, and drivers report process ID 0): each
// service still gets a process of its own, so under Wine no service process
// hosts more than one service. Checked: three started share-process
// services reported three different process IDs.
class TestServices {
public:
    TestServices(std::vector<std::wstring> names, bool shareProcess);
    ~TestServices();
    TestServices(const TestServices&) = delete;
    TestServices& operator=(const TestServices&) = delete;

    bool ok() const;                       // all registered
    bool Start(const std::wstring& name);  // waits until running (bounded, ~10 s)
    bool Stop(const std::wstring& name);   // waits until stopped (bounded)
    DWORD State(const std::wstring& name) const;      // current state code, 0 when unknown
    DWORD ProcessId(const std::wstring& name) const;  // 0 when not running

private:
    struct Entry {
        std::wstring name;
        unique_sc_handle service;
    };
    SC_HANDLE Find(const std::wstring& name) const;
    bool WaitForState(SC_HANDLE service, DWORD state) const;

    unique_sc_handle manager_;
    std::vector<Entry> services_;
    bool ok_ = false;
};

}  // namespace vornel::test
