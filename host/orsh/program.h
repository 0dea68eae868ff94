// Programs started from the shell, found as the Windows command prompt finds
// them, on the shell's current standard handles (redirections included).
#pragma once

#include <windows.h>

#include <string>

namespace orsh {

// The file a command word names: as given when it holds a path or an
// extension, else with each PATHEXT extension; without a path the current
// folder first, then each PATH folder. Empty when there is none.
std::wstring FindProgram(const std::wstring& name);

// Starts `path` with `arguments`. When `wait`, waits for it and returns its
// exit code in `result`; otherwise `result` is its process ID. False after an
// error message when it cannot be started.
bool StartProgram(const std::wstring& path, const std::wstring& arguments, bool wait, DWORD* result);

}  // namespace orsh
