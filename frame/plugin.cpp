// Registration, start-up and shutdown of the plug-in, its usage lines and the
// _clver internal variable.
#include "frame/plugin.h"

#include <cwchar>
#include <new>

#include "frame/errors.h"
#include "frame/host.h"
#include "frame/owners.h"
#include "frame/usage_texts.h"

HMODULE PluginModule = nullptr;
OSVERSIONINFOEXW OsVersionInfo = {};
NtQueryInformationProcessPtr NtQueryInformationProcessFn = nullptr;
NtQuerySystemInformationPtr NtQuerySystemInformationFn = nullptr;
vornel::unique_handle ConsoleOutput;
vornel::unique_handle HelpViewerProcess;
int (*ConsoleShutdown)() = nullptr;

namespace {

PluginInfo Info;

using RtlGetVersionPtr = LONG(WINAPI*)(OSVERSIONINFOEXW*);

void ResetVersionRecord()
{
    ZeroMemory(&OsVersionInfo, sizeof OsVersionInfo);
    OsVersionInfo.dwOSVersionInfoSize = sizeof OsVersionInfo;  // 284
}

}  // namespace

void ReportEscapedException(std::exception_ptr escaped) noexcept
{
    try {
        try {
            std::rethrow_exception(escaped);
        } catch (const std::bad_alloc&) {
            PrintError(L"Out of memory\r\n");
        } catch (...) {
            PrintError(L"Unexpected failure\r\n");
        }
    } catch (...) {
        // Not even the message could be written; the result still tells.
    }
}

VORNEL_EXPORT PluginInfo* WINAPI GetPluginInfo(void)
{
    Info.pszDll = PluginName;
    Info.pszAuthor = L"The Vornel developers";
    Info.pszEmail = L"vornel@vornel.invalid";
    Info.pszWWW = L"https://vornel.invalid/";
    Info.pszDescription = L"Replaces the ENUMPROCESSES, SERVICES, and TASKLIST commands.";
    Info.pszFunctions = PluginNames;
    Info.nMajor = PluginMajor;
    Info.nMinor = PluginMinor;
    Info.nBuild = PluginBuild;
    return &Info;
}

int ReadOsVersion()
{
    HMODULE ntdll = GetModuleHandleW(L"NtDll.dll");
    ResetVersionRecord();
    if (ntdll) {
        auto rtlGetVersion = reinterpret_cast<RtlGetVersionPtr>(GetProcAddress(ntdll, "RtlGetVersion"));
        if (rtlGetVersion) {
            rtlGetVersion(&OsVersionInfo);
            if (OsVersionInfo.dwMajorVersion >= 6)
                return 1;
        }
    }
    // An old system, or one whose native layer says so: ask the documented way.
    ResetVersionRecord();
    return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&OsVersionInfo)) ? 1 : 0;
}

int EnableDebugPrivilege()
{
    vornel::unique_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.put()))
        return 1;
    TOKEN_PRIVILEGES privileges = {};
    if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid))
        return 1;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // Success with ERROR_NOT_ALL_ASSIGNED means the account lacks the privilege.
    BOOL adjusted = AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    return adjusted && GetLastError() == 0 ? 0 : 1;
}

int OpenConsoleOutput()
{
    auto open = [] {
        return CreateFileW(L"conout$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    };
    HANDLE h = open();
    if (h == INVALID_HANDLE_VALUE) {
        Sleep(50);
        h = open();
    }
    ConsoleOutput.reset(h == INVALID_HANDLE_VALUE ? nullptr : h);
    return ConsoleOutput ? 0 : 1;
}

VORNEL_EXPORT int WINAPI InitializePlugin(void)
{
    ReadOsVersion();
    NtQueryInformationProcessFn = nullptr;
    NtQuerySystemInformationFn = nullptr;
    if (HMODULE ntdll = GetModuleHandleW(L"NtDll.dll")) {
        NtQueryInformationProcessFn =
            reinterpret_cast<NtQueryInformationProcessPtr>(GetProcAddress(ntdll, "NtQueryInformationProcess"));
        NtQuerySystemInformationFn =
            reinterpret_cast<NtQuerySystemInformationPtr>(GetProcAddress(ntdll, "NtQuerySystemInformation"));
    }
    EnableDebugPrivilege();

    // Quiet in a transient shell, in a pipe, or when told so by noloadmsg.
    wchar_t state[1024] = {};
    wcscpy(state, L"%[_transient]%[_pipe]%[noloadmsg]");
    ExpandVariables(state, 1);
    if (wcscmp(state, L"00") == 0)
        Printf(L"%s v%u.%u.%u loaded.\r\n", PluginName, PluginMajor, PluginMinor, PluginBuild);

    OpenConsoleOutput();
    return 0;
}

VORNEL_EXPORT int WINAPI ShutdownPlugin(void)
{
    if (HelpViewerProcess) {
        TerminateProcess(HelpViewerProcess.get(), 0);
        HelpViewerProcess.reset();
    }
    if (ConsoleShutdown)
        ConsoleShutdown();
    ConsoleOutput.reset();
    return 0;
}

VORNEL_EXPORT int WINAPI Usage(const wchar_t* name, wchar_t* buffer)
{
    if (!name || !buffer || name[0] == L'@' || name[0] == L'_')
        return 0;
    static const struct {
        const wchar_t* name;
        const wchar_t* text;
    } commands[] = {
        {L"enumprocesses", EnumprocessesUsageText},
        {L"services", ServicesUsageText},
        {L"tasklist", TasklistUsageText},
    };
    for (const auto& command : commands) {
        if (_wcsicmp(name, command.name) != 0)
            continue;
        // Skip the one-line description: the host wants the syntax line on.
        const wchar_t* text = wcschr(command.text, L'\n');
        text = text ? text + 1 : command.text;
        while (*text == L'\n')
            ++text;
        wcsncpy(buffer, text, 1023);
        buffer[1023] = L'\0';
        return 1;
    }
    return 0;
}

// The _clver internal variable: the version of the command-line interface.
extern "C" int _clver(wchar_t* buffer)
{
    if (!buffer)
        return -1;
    MultiByteToWideChar(CP_ACP, 0, "1.1.0.1", -1, buffer, 1024);
    return 0;
}
