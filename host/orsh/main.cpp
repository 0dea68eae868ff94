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
#include "host/orsh/console_input.h"
#include "host/orsh/line_reader.h"
#include "host/orsh/plugin.h"
#include "host/orsh/program.h"
#include "host/orsh/shell.h"
#include "host/orshhost/orshhost_control.h"

namespace {

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

// Reads a whole script before any of it runs: a script read only in part
// runs none of it.
bool ReadScript(const std::wstring& path, std::vector<std::wstring>* lines)
{
    vornel::unique_hfile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    orsh::LineReader reader(file.get());
    for (std::wstring line; reader.Next(&line);)
        lines->push_back(line);
    SetLastError(reader.Error());
    return reader.Error() == 0;
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

int RunScript(orsh::Output& output, const std::wstring& name)
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
        result = orsh::RunLine(output, lines[i], &exitRequested);
    }
    OrshSetBatch(nullptr, 0);
    orsh::UnloadPlugin();
    return result;
}

int RunInteractive(orsh::Output& output)
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
    orsh::LineReader lines(input);  // input that is not a console: a file or pipe
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
        result = orsh::RunLine(output, line, &exitRequested);
    }
    orsh::UnloadPlugin();
    return result;
}

int Run(orsh::Output& output, int argc, wchar_t** argv)
{
    if (argc >= 2 && wcscmp(argv[1], L"-f") == 0) {
        if (argc < 3) {
            Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"orsh: -f needs a script file name\r\n");
            return 2;
        }
        return RunScript(output, argv[2]);
    }
    if (argc >= 2) {
        OrshSetShellState(1, IsPipe(STD_INPUT_HANDLE));
        if (!orsh::LoadPlugin())
            return 2;
        bool exitRequested = false;
        int result = orsh::RunLine(output, RawArguments(), &exitRequested);
        // Unloading the plug-in ends its help viewer: the user reads first.
        orsh::WaitForHelpViewer();
        orsh::UnloadPlugin();
        return result;
    }
    return RunInteractive(output);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    orsh::InstallCtrlHandler();
    // Its end writes a last partial line for a file.
    orsh::Output output;
    return Run(output, argc, argv);
}
