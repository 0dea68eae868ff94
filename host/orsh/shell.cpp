#include "host/orsh/shell.h"

#include <algorithm>
#include <cwchar>

#include "host/orsh/error.h"
#include "host/orsh/plugin.h"
#include "host/orsh/program.h"
#include "host/orsh/redirection.h"
#include "host/orsh/words.h"
#include "host/orshhost/orshhost_control.h"

namespace orsh {
namespace {

constexpr int ExpandSize = 32768;

int lastResult = 0;

struct Builtin {
    const wchar_t* name;
    const wchar_t* usage;
};

const Builtin Builtins[] = {
    {L"echo", L"echo TEXT          writes TEXT (\"echo off\" and \"echo on\" are accepted)"},
    {L"set", L"set NAME=VALUE     sets a variable (no value removes it); alone lists them"},
    {L"help", L"help NAME          the help page of NAME; alone, this list"},
    {L"start", L"start PROGRAM ARGS starts a program without waiting, prints its process ID"},
    {L"exit", L"exit [CODE]        ends the shell with CODE"},
    {L"rem", L"rem TEXT, :: TEXT  a remark; @ before a command is ignored"},
};

int Remember(int result)
{
    lastResult = result;
    OrshSetLastResult(result);
    return result;
}

bool Same(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

void PrintNames(const wchar_t* title, const wchar_t* prefix, const std::vector<std::wstring>& names)
{
    QPuts(title);
    for (const auto& name : names)
        Printf(L" %s%s", prefix, name.c_str());
    CrLf();
}

int HelpCommand(const std::wstring& topic)
{
    if (topic.empty()) {
        QPuts(L"Built-in commands:\r\n");
        for (const Builtin& b : Builtins)
            Printf(L"  %s\r\n", b.usage);
        PrintNames(L"Plug-in commands:  ", L"", PluginCommands());
        PrintNames(L"Variable functions:", L"@", PluginFunctions());
        QPuts(L"Any other command runs as a program from the current folder or PATH.\r\n"
              L"\"help NAME\" opens the plug-in's page for NAME in the help viewer.\r\n");
        return 0;
    }
    if (PluginHelp(topic))
        return 0;
    for (const Builtin& b : Builtins) {
        if (Same(topic, b.name)) {
            Printf(L"%s\r\n", b.usage);
            return 0;
        }
    }
    Error(L"no help for \"%s\"", topic.c_str());
    return 1;
}

// The variables whose names begin with `prefix`, sorted by name.
int SetCommand(const std::wstring& args)
{
    size_t eq = args.find(L'=');
    if (eq != std::wstring::npos && eq > 0) {
        OrshSetVariable(args.substr(0, eq).c_str(), args.substr(eq + 1).c_str());
        return 0;
    }
    std::wstring prefix = Trimmed(args);
    std::vector<std::wstring> lines;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        // Names that begin with "=" are the per-drive folders, not variables.
        for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
            if (*entry != L'=' && _wcsnicmp(entry, prefix.c_str(), prefix.size()) == 0)
                lines.push_back(entry);
        }
        FreeEnvironmentStringsW(block);
    }
    if (lines.empty()) {
        Error(L"no variable named %s", prefix.c_str());
        return 1;
    }
    auto name = [](const std::wstring& line) { return line.substr(0, line.find(L'=')); };
    std::sort(lines.begin(), lines.end(),
              [&](const auto& a, const auto& b) { return _wcsicmp(name(a).c_str(), name(b).c_str()) < 0; });
    for (const auto& line : lines)
        Printf(L"%s\r\n", line.c_str());
    return 0;
}

// As the Windows command prompt's start: a first word in quotes is the
// console's title, and the program follows it.
int StartCommand(Output& output, const std::wstring& args)
{
    std::wstring title, program, programArgs;
    if (!args.empty() && args[0] == L'"') {
        size_t end = WordEnd(args, 0);
        title = Unquoted(args.substr(0, end));
        SplitCommand(TrimmedLeft(args.substr(end)), &program, &programArgs);
    } else {
        SplitCommand(args, &program, &programArgs);
    }
    if (program.empty()) {
        Error(L"usage: start [\"TITLE\"] PROGRAM [ARGUMENTS]");
        return 1;
    }
    std::wstring path = FindProgram(program);
    if (path.empty()) {
        Error(L"unknown command: %s", program.c_str());
        return 1;
    }
    DWORD pid;
    output.Flush();  // what the shell wrote comes before what the program writes
    if (!StartProgram(path, programArgs, title, &pid))
        return 1;
    Printf(L"process ID %u\r\n", pid);
    return 0;
}

// exit [CODE]: CODE a whole number (32 bits, as results are); anything else
// is an error and the shell goes on.
int ExitCommand(const std::wstring& args, bool* exitRequested)
{
    std::wstring code = Trimmed(args);
    if (code.empty()) {
        *exitRequested = true;
        return 0;
    }
    int value;
    if (!ExitCode(code, &value)) {
        Error(L"exit needs a number, not \"%s\"", code.c_str());
        return 1;
    }
    *exitRequested = true;
    return value;
}

int RunCommand(Output& output, const std::wstring& command, const std::wstring& args, bool* exitRequested)
{
    if (Same(command, L"echo")) {
        if (Same(args, L"off") || Same(args, L"on"))
            return 0;  // a script's lines are never echoed
        QPuts(args.c_str());
        CrLf();
        return 0;
    }
    if (Same(command, L"set"))
        return SetCommand(args);
    if (Same(command, L"exit"))
        return ExitCommand(args, exitRequested);
    if (Same(command, L"help"))
        return HelpCommand(Trimmed(args));
    if (Same(command, L"start"))
        return StartCommand(output, args);
    if (IsListed(PluginCommands(), command))
        return RunPluginCommand(command, args);
    std::wstring program = FindProgram(command);
    if (program.empty()) {
        Error(L"unknown command: %s", command.c_str());
        return 1;
    }
    DWORD exitCode = 1;
    output.Flush();
    RunProgram(program, args, &exitCode);
    return (int)exitCode;
}

int RunUnchecked(Output& output, const Line& raw, bool* exitRequested)
{
    if (raw.length > MaxLineLength) {
        Error(L"the line has %Iu characters, more than %u; none of it ran", raw.length, (unsigned)MaxLineLength);
        return Remember(1);
    }
    // Everything after a NUL, redirections included, would be lost.
    if (raw.text.find(L'\0') != std::wstring::npos) {
        const std::wstring where = raw.number ? L"line " + std::to_wstring(raw.number) : L"the line";
        Error(L"%s holds a NUL character; none of it ran", where.c_str());
        return Remember(1);
    }
    std::wstring text = TrimmedLeft(raw.text);
    if (!text.empty() && text[0] == L'@')  // a script's "do not echo" mark
        text = TrimmedLeft(text.substr(1));
    if (Trimmed(text).empty() || IsRemark(text))
        return lastResult;

    std::wstring buffer(ExpandSize, L'\0');
    wcsncpy(buffer.data(), text.c_str(), ExpandSize - 1);
    if (OrshExpand(buffer.data(), ExpandSize) != 0)
        return Remember(1);  // a function in the line failed and has said why
    std::wstring line = buffer.c_str();  // cppcheck-suppress stlcstrAssignment ; the line ends at the NUL
    if (line.size() > MaxLineLength) {
        Error(L"the line is longer than %u characters once expanded; none of it ran", (unsigned)MaxLineLength);
        return Remember(1);
    }

    std::vector<Redirection> redirections;
    std::wstring problem;
    if (!TakeRedirections(line, &redirections, &problem)) {
        Error(L"%s", problem.c_str());
        return Remember(1);
    }
    std::wstring command, args;
    SplitCommand(TrimmedLeft(line), &command, &args);
    if (command.empty())
        return lastResult;
    if (!output.Redirect(redirections))
        return Remember(1);
    int result = RunCommand(output, command, args, exitRequested);
    return Remember(output.EndCommand(result));
}

}  // namespace

int RunLine(Output& output, const Line& line, bool* exitRequested)
{
    int result = RunUnchecked(output, line, exitRequested);
    // Every path above may have written, errors included.
    return output.ReportOwnWriteErrors() ? Remember(1) : result;
}

}  // namespace orsh
