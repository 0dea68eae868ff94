// orsh.exe: a stand-in for the Orsh shell that hosts the Vornel plug-in.
//   orsh                interactive (prompt when the input is a console)
//   orsh COMMAND LINE   runs that line as a transient shell, exits with its result
//   orsh -f FILE        runs a script line by line (%_batchname, %_batchline)
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "frame/owners.h"
#include "host/orsh/byte_lines.h"
#include "host/orsh/console_input.h"
#include "host/orsh/plugin.h"
#include "host/orsh/program.h"
#include "host/orsh/shell.h"
#include "host/orsh/wrapper_line.h"
#include "host/orshhost/orshhost_control.h"

namespace {

using orsh::ByteLines;
using orsh::ConsoleRead;

bool IsPipe(DWORD which) { return GetFileType(GetStdHandle(which)) == FILE_TYPE_PIPE; }

// The command line after the program's own name, quotes and all.
std::wstring RawArguments()
{
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        p = wcschr(p + 1, L'"');
        p = p ? p + 1 : L"";
    } else {
        while (*p && *p != L' ' && *p != L'\t')
            ++p;
    }
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

// Reads a script: UTF-16 with a byte-order mark, else UTF-8.
bool ReadScript(const std::wstring& path, std::vector<std::wstring>* lines)
{
    vornel::unique_hfile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    std::string bytes;
    char chunk[4096];
    DWORD got;
    BOOL read;
    while ((read = ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) && got)
        bytes.append(chunk, got);
    if (!read)  // a script read only in part runs none of it
        return false;
    std::wstring text;
    if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE) {
        text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    } else {
        size_t skip = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + skip, (int)(bytes.size() - skip), nullptr, 0);
        text.resize(n);
        MultiByteToWideChar(CP_UTF8, 0, bytes.data() + skip, (int)(bytes.size() - skip), text.data(), n);
    }
    std::wstring line;
    for (wchar_t c : text) {
        if (c == L'\n') {
            lines->push_back(line);
            line.clear();
        } else if (c != L'\r') {
            line += c;
        }
    }
    if (!line.empty())
        lines->push_back(line);
    return true;
}

// A full path of MAX_PATH characters or more opens only in its extended form.
std::wstring Openable(const std::wstring& full)
{
    if (full.size() < MAX_PATH || full.compare(0, 4, L"\\\\?\\") == 0)
        return full;
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

int RunScript(const std::wstring& name)
{
    std::vector<std::wstring> lines;
    const std::wstring full = orsh::FullPath(name);
    if (full.empty() || !ReadScript(Openable(full), &lines)) {
        Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"orsh: cannot read the script \"%s\" (error %u)\r\n",
                name.c_str(), GetLastError());
        return 2;
    }
    OrshSetShellState(1, IsPipe(STD_INPUT_HANDLE));
    if (!orsh::LoadPlugin())
        return 2;
    int result = 0;
    bool exitRequested = false;
    for (size_t i = 0; i < lines.size() && !exitRequested; ++i) {
        OrshSetBatch(full.c_str(), (int)i + 1);
        result = orsh::RunLine(lines[i], &exitRequested);
    }
    OrshSetBatch(nullptr, 0);
    orsh::UnloadPlugin();
    return result;
}

int RunInteractive()
{
    // Input from a pipe means this shell is a stage of a pipe.
    OrshSetShellState(0, IsPipe(STD_INPUT_HANDLE));
    if (!orsh::LoadPlugin())
        return 2;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode;
    bool console = GetConsoleMode(input, &mode);
    int result = 0;
    bool exitRequested = false;
    ByteLines lines(input);  // input that is not a console: a file or pipe
    while (!exitRequested) {
        std::wstring line;
        if (console) {
            QPuts(L"orsh> ");
            ConsoleRead read = orsh::ReadConsoleLine(input, &line);
            if (read == ConsoleRead::End)
                break;
            if (read == ConsoleRead::Interrupted) {  // the line is dropped
                QPuts(L"^C");
                CrLf();
                continue;
            }
        } else if (!lines.Next(&line)) {
            break;
        }
        while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r'))
            line.pop_back();
        result = orsh::RunLine(line, &exitRequested);
    }
    orsh::UnloadPlugin();
    return result;
}

// `typed`: the line as typed to ./orsh, null when another program started the shell.
int Run(int argc, wchar_t** argv, const std::wstring* typed)
{
    if (argc >= 2 && wcscmp(argv[1], L"-f") == 0) {
        if (argc < 3) {
            Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"orsh: -f needs a script file name\r\n");
            return 2;
        }
        return RunScript(argv[2]);
    }
    if (argc >= 2) {
        OrshSetShellState(1, IsPipe(STD_INPUT_HANDLE));
        if (!orsh::LoadPlugin())
            return 2;
        bool exitRequested = false;
        int result = orsh::RunLine(typed ? *typed : RawArguments(), &exitRequested);
        // Unloading the plug-in ends its help viewer: the user reads first.
        orsh::WaitForHelpViewer();
        orsh::UnloadPlugin();
        return result;
    }
    return RunInteractive();
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    orsh::InstallCtrlHandler();
    std::wstring typed;
    bool fromWrapper = orsh::TakeWrapperLine(&typed);
    int result = Run(argc, argv, fromWrapper ? &typed : nullptr);
    // A last partial line for a file still goes out.
    OrshFlushOutput();
    return result;
}
