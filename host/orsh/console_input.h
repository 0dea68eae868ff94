// The shell's side of Ctrl-C and its console prompt. Ctrl-C at the prompt
// drops the line; while a started program runs, the program handles it;
// while a plug-in command runs, the plug-in's own handler (registered after
// the shell's, so asked first) decides. None ends the shell.
#pragma once

#include <windows.h>

#include <string>

namespace orsh {

void InstallCtrlHandler();

// Marks the time a started program runs, for the handler.
class ProgramRunning {
public:
    ProgramRunning();
    ~ProgramRunning();
    ProgramRunning(const ProgramRunning&) = delete;
    ProgramRunning& operator=(const ProgramRunning&) = delete;
};

enum class ConsoleRead { Line, Interrupted, End };

// Reads one whole line from the console, however long, without its line end.
ConsoleRead ReadConsoleLine(HANDLE input, std::wstring* line);

}  // namespace orsh
