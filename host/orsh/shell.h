// The stand-in shell: loads the plug-in, routes its names to its exports and
// runs command lines.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace orsh {

// Loads Vornel.dll from the shell's own directory, registers and initialises
// it. Prints a message and returns false when it cannot.
bool LoadPlugin();
void UnloadPlugin();

// Expands and runs one command line; returns the command's exit code.
// `exitRequested` is set by the `exit` built-in.
int RunLine(const std::wstring& line, bool* exitRequested);

}  // namespace orsh
