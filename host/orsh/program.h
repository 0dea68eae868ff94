// Programs started from the shell, found as the Windows command prompt finds
// them, on the shell's current standard handles (redirections included).
#pragma once

#include <windows.h>

#include <string>

namespace orsh {

// The full form of a path, however long; empty when it has none.
std::wstring FullPath(const std::wstring& name);

// A full path as the system opens it: from MAX_PATH characters on only in
// its extended form (\\?\ or \\?\UNC\).
std::wstring Openable(const std::wstring& full);

// The file a command word names: as given when it holds a path or an
// extension, else with each PATHEXT extension; without a path the current
// folder first, then each PATH folder. Empty when there is none.
std::wstring FindProgram(const std::wstring& name);

// Runs `path` with `arguments` and waits for it; its exit code in
// `exitCode`. False after an error message when it cannot be started.
bool RunProgram(const std::wstring& path, const std::wstring& arguments, DWORD* exitCode);

// Starts `path` without waiting, as the Windows command prompt's `start`
// does: in a process group of its own, so that the shell's Ctrl-C does not
// reach it, and a console program in a console of its own (titled `title`
// when that is not empty). `pid` gets its process ID.
bool StartProgram(const std::wstring& path, const std::wstring& arguments, const std::wstring& title, DWORD* pid);

}  // namespace orsh
