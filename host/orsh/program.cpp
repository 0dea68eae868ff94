#include "host/orsh/program.h"

#include <cwchar>
#include <vector>

#include "frame/owners.h"
#include "host/orsh/console_input.h"
#include "host/orsh/shell.h"

namespace orsh {
namespace {

std::wstring Variable(const wchar_t* name, const wchar_t* fallback)
{
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0)
        return fallback;
    std::wstring value(n, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), n));
    return value;
}

// A ;-separated list (PATH, PATHEXT); quotes around an entry are dropped.
std::vector<std::wstring> Split(const std::wstring& list)
{
    std::vector<std::wstring> entries;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(L';', start);
        if (end == std::wstring::npos)
            end = list.size();
        std::wstring entry;
        for (size_t i = start; i < end; ++i) {
            if (list[i] != L'"')
                entry += list[i];
        }
        if (!entry.empty())
            entries.push_back(entry);
        start = end + 1;
    }
    return entries;
}

bool IsFile(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Extension(const std::wstring& path)
{
    size_t dot = path.find_last_of(L'.');
    size_t separator = path.find_last_of(L"\\/:");
    if (dot == std::wstring::npos || (separator != std::wstring::npos && dot < separator))
        return L"";
    return path.substr(dot);
}

}  // namespace

std::wstring FindProgram(const std::wstring& name)
{
    if (name.empty())
        return L"";
    std::vector<std::wstring> folders;
    if (name.find_first_of(L"\\/:") != std::wstring::npos) {
        folders.push_back(L"");
    } else {
        wchar_t current[MAX_PATH];
        DWORD n = GetCurrentDirectoryW(MAX_PATH, current);
        if (n > 0 && n < MAX_PATH)
            folders.push_back(current);
        for (const std::wstring& folder : Split(Variable(L"PATH", L"")))
            folders.push_back(folder);
    }
    std::vector<std::wstring> extensions{L""};
    if (Extension(name).empty())
        extensions = Split(Variable(L"PATHEXT", L".COM;.EXE;.BAT;.CMD"));
    for (const std::wstring& folder : folders) {
        std::wstring base = folder.empty() ? name
                            : folder.back() == L'\\' ? folder + name
                                                     : folder + L"\\" + name;
        for (const std::wstring& extension : extensions) {
            if (IsFile(base + extension)) {
                wchar_t full[MAX_PATH];
                DWORD n = GetFullPathNameW((base + extension).c_str(), MAX_PATH, full, nullptr);
                return n > 0 && n < MAX_PATH ? std::wstring(full) : base + extension;
            }
        }
    }
    return L"";
}

bool StartProgram(const std::wstring& path, const std::wstring& arguments, bool wait, DWORD* result)
{
    // A batch file runs in the Windows command interpreter.
    std::wstring extension = Extension(path);
    bool batch = _wcsicmp(extension.c_str(), L".bat") == 0 || _wcsicmp(extension.c_str(), L".cmd") == 0;
    std::wstring application = batch ? Variable(L"ComSpec", L"") : path;
    if (application.empty())
        application = FindProgram(L"cmd.exe");
    std::wstring commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    if (batch)
        commandLine = L"\"" + application + L"\" /c \"" + commandLine + L"\"";

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &started)) {
        Error(L"cannot start %s (error %u)", path.c_str(), GetLastError());
        return false;
    }
    vornel::unique_handle process(started.hProcess);
    CloseHandle(started.hThread);
    if (!wait) {
        *result = started.dwProcessId;
        return true;
    }
    // Ctrl-C while it runs is the program's to handle, not the shell's.
    ProgramRunning running;
    WaitForSingleObject(process.get(), INFINITE);
    GetExitCodeProcess(process.get(), result);
    return true;
}

}  // namespace orsh
