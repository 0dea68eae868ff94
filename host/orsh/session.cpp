#include "host/orsh/session.h"

#include <cwchar>
#include <string>
#include <vector>

#include "frame/owners.h"
#include "host/orsh/console_input.h"
#include "host/orsh/error.h"
#include "host/orsh/line_reader.h"
#include "host/orsh/plugin.h"
#include "host/orsh/program.h"
#include "host/orsh/shell.h"
#include "host/orsh/words.h"
#include "host/orsh/wrapper_line.h"
#include "host/orshhost/orshhost_control.h"

namespace orsh {
namespace {

bool IsPipe(DWORD which) { return GetFileType(GetStdHandle(which)) == FILE_TYPE_PIPE; }

// Reads a whole script before any of it runs: a script read only in part
// runs none of it. 2 when it cannot be read, with the system's error as the
// last error; 1 when it is refused, with `refusal` set.
int ReadScript(const std::wstring& full, std::vector<Line>* lines, std::wstring* refusal)
{
    // A device (NUL, CON, AUX, COM1, ... with any extension, in any folder)
    // is named in the system's device space, and reading one would end at
    // once or wait for ever.
    if (full.starts_with(L"\\\\.\\")) {
        *refusal = L"is a device, not a file";
        return 1;
    }
    vornel::unique_hfile file(
        CreateFileW(Openable(full).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return 2;
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        *refusal = L"is not a file on a disk";
        return 1;
    }
    LineReader reader(file.get(), MaxLineLength);
    for (Line line; reader.Next(&line);)
        lines->push_back(line);
    if (reader.LooksLikeUnmarkedUtf16()) {
        *refusal = L"looks like UTF-16 without its byte-order mark (save it with the mark, or as UTF-8)";
        return 1;
    }
    SetLastError(reader.Error());
    return reader.Error() == 0 ? 0 : 2;
}

int RunScript(Output& output, const std::wstring& name)
{
    std::vector<Line> lines;
    std::wstring refusal;
    const std::wstring full = FullPath(name);
    if (int problem = full.empty() ? 2 : ReadScript(full, &lines, &refusal)) {
        if (refusal.empty())
            Error(L"cannot read the script \"%s\": %s", name.c_str(), SystemReason(GetLastError()).c_str());
        else
            Error(L"the script \"%s\" %s; none of it ran", name.c_str(), refusal.c_str());
        return problem;
    }
    OrshSetShellState(1, IsPipe(STD_INPUT_HANDLE));
    if (!LoadPlugin())
        return 2;
    int result = 0;
    bool exitRequested = false;
    for (size_t i = 0; i < lines.size() && !exitRequested; ++i) {
        OrshSetBatch(full.c_str(), (int)i + 1);
        result = RunLine(output, lines[i], &exitRequested);
    }
    OrshSetBatch(nullptr, 0);
    UnloadPlugin();
    return result;
}

int RunInteractive(Output& output)
{
    // Input from a pipe means this shell is a stage of a pipe.
    OrshSetShellState(0, IsPipe(STD_INPUT_HANDLE));
    if (!LoadPlugin())
        return 2;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode;
    bool console = GetConsoleMode(input, &mode);
    int result = 0;
    bool exitRequested = false;
    LineReader lines(input, MaxLineLength);  // input that is not a console: a file or pipe
    while (!exitRequested) {
        Line line;
        if (console) {
            QPuts(L"orsh> ");
            ConsoleRead read = ReadConsoleLine(input, &line.text);
            line.length = line.text.size();
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
        result = RunLine(output, line, &exitRequested);
    }
    UnloadPlugin();
    return result;
}

// `typed`: the line as typed to ./orsh, null when another program started the shell.
int Run(Output& output, int argc, wchar_t** argv, const std::wstring* typed)
{
    if (argc >= 2 && wcscmp(argv[1], L"-f") == 0) {
        if (argc < 3) {
            Error(L"-f needs a script file name");
            return 2;
        }
        return RunScript(output, argv[2]);
    }
    if (argc >= 2) {
        OrshSetShellState(1, IsPipe(STD_INPUT_HANDLE));
        if (!LoadPlugin())
            return 2;
        bool exitRequested = false;
        const std::wstring text = typed ? *typed : AfterProgramName(GetCommandLineW());
        int result = RunLine(output, Line{text, text.size()}, &exitRequested);
        // Unloading the plug-in ends its help viewer: the user reads first.
        WaitForHelpViewer();
        UnloadPlugin();
        return result;
    }
    return RunInteractive(output);
}

}  // namespace

int Main(int argc, wchar_t** argv)
{
    InstallCtrlHandler();
    std::wstring typed;
    bool fromWrapper = TakeWrapperLine(&typed);
    // Its end writes a last partial line for a file.
    Output output;
    return Run(output, argc, argv, fromWrapper ? &typed : nullptr);
}

}  // namespace orsh
