#include "host/orsh/program.h"

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <vector>

#include "frame/owners.h"
#include "host/orsh/console_input.h"
#include "host/orsh/cmd_words.h"
#include "host/orsh/error.h"

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

// The current folder, however long.
std::wstring CurrentFolder()
{
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(size, L'\0');
    DWORD n = size ? GetCurrentDirectoryW(size, folder.data()) : 0;
    folder.resize(n < size ? n : 0);
    return folder;
}

}  // namespace

std::wstring FullPath(const std::wstring& name)
{
    DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return L"";
    std::wstring full(size, L'\0');
    DWORD n = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    if (n == 0 || n >= size)
        return L"";
    full.resize(n);
    return full;
}

std::wstring Openable(const std::wstring& full)
{
    if (full.size() < MAX_PATH || full.compare(0, 4, L"\\\\?\\") == 0)
        return full;
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring FindProgram(const std::wstring& name)
{
    if (name.empty())
        return L"";
    std::vector<std::wstring> folders;
    if (name.find_first_of(L"\\/:") != std::wstring::npos) {
        folders.push_back(L"");
    } else {
        std::wstring current = CurrentFolder();
        if (!current.empty())
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
                std::wstring full = FullPath(base + extension);
                return full.empty() ? base + extension : full;
            }
        }
    }
    return L"";
}

namespace {

bool IsBatch(const std::wstring& path)
{
    std::wstring extension = Extension(path);
    return _wcsicmp(extension.c_str(), L".bat") == 0 || _wcsicmp(extension.c_str(), L".cmd") == 0;
}

// Whether the program has a console: all but those whose image says they
// are windowed.
bool IsConsoleProgram(const std::wstring& path)
{
    if (IsBatch(path))
        return true;
    vornel::unique_hfile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    IMAGE_DOS_HEADER dos{};
    DWORD got = 0;
    if (!file || !ReadFile(file.get(), &dos, sizeof dos, &got, nullptr) || got != sizeof dos ||
        dos.e_magic != IMAGE_DOS_SIGNATURE)
        return true;
    // The subsystem sits at the same place in 32- and 64-bit images.
    BYTE headers[sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER) + offsetof(IMAGE_OPTIONAL_HEADER32, Subsystem) + 2];
    if (SetFilePointer(file.get(), dos.e_lfanew, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !ReadFile(file.get(), headers, sizeof headers, &got, nullptr) || got != sizeof headers)
        return true;
    WORD subsystem;
    memcpy(&subsystem, headers + sizeof headers - 2, 2);
    return subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

bool IsConsoleHandle(HANDLE handle)
{
    DWORD mode;
    return GetConsoleMode(handle, &mode) != 0;
}

bool Create(const std::wstring& path, const std::wstring& arguments, DWORD flags, STARTUPINFOW& startup,
            PROCESS_INFORMATION* started)
{
    // A batch file runs in the Windows command interpreter, which must see
    // exactly the words typed.
    bool batch = IsBatch(path);
    std::wstring application = batch ? Variable(L"ComSpec", L"") : path;
    if (application.empty())
        application = FindProgram(L"cmd.exe");
    std::wstring commandLine;
    if (batch) {
        std::wstring problem;
        if (!CommandForCmd(path, arguments, &commandLine, &problem)) {
            Error(L"%s; %s did not run", problem.c_str(), path.c_str());
            return false;
        }
        commandLine = L"\"" + application + L"\" /c \"" + commandLine + L"\"";
    } else {
        commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    }
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                        &startup, started)) {
        Error(L"cannot start %s: %s", path.c_str(), SystemReason(GetLastError()).c_str());
        return false;
    }
    vornel::unique_handle thread(started->hThread);
    return true;
}

}  // namespace

bool RunProgram(const std::wstring& path, const std::wstring& arguments, DWORD* exitCode)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    if (!Create(path, arguments, 0, startup, &started))
        return false;
    vornel::unique_handle process(started.hProcess);
    // Ctrl-C while it runs is the program's to handle, not the shell's.
    ProgramRunning running;
    WaitForSingleObject(process.get(), INFINITE);
    GetExitCodeProcess(process.get(), exitCode);
    return true;
}

bool StartProgram(const std::wstring& path, const std::wstring& arguments, const std::wstring& title, DWORD* pid)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    DWORD flags = CREATE_NEW_PROCESS_GROUP;
    HANDLE streams[3] = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                         GetStdHandle(STD_ERROR_HANDLE)};
    std::wstring consoleTitle = title;
    const bool console = IsConsoleProgram(path);
    if (console) {
        flags |= CREATE_NEW_CONSOLE;
        if (!consoleTitle.empty())
            startup.lpTitle = consoleTitle.data();
    }
    // A new console serves the streams that are the shell's console;
    // redirected ones stay redirected.
    bool passStreams = false;
    for (HANDLE& stream : streams) {
        if (console && IsConsoleHandle(stream))
            stream = nullptr;
        else
            passStreams = true;
    }
    if (passStreams) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = streams[0];
        startup.hStdOutput = streams[1];
        startup.hStdError = streams[2];
    }
    PROCESS_INFORMATION started{};
    if (!Create(path, arguments, flags, startup, &started))
        return false;
    vornel::unique_handle process(started.hProcess);
    *pid = started.dwProcessId;
    return true;
}

}  // namespace orsh
