// What the help tests need around the help viewer: a scratch directory to
// lay help files (or a copy of the shell) into, the viewer's path, and the
// command line that a started viewer really received.
#pragma once

#include <windows.h>

#include <string>

namespace vornel::test {

// A fresh directory under the temporary directory, in its long true form,
// removed with everything in it at the end of the scope.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::wstring& path() const { return path_; }
    // Copies `source` into the directory (or its subdirectory `into`).
    bool Copy(const std::wstring& source, const std::wstring& into = L"") const;
    bool MakeDirectory(const std::wstring& name) const;

private:
    std::wstring path_;
};

// The viewer that the search path yields, as the plug-in finds it.
std::wstring ViewerPath();

// The command line of a running process, read from its process parameters;
// waits up to `timeoutMs` for a process that is still starting. Empty when
// it cannot be read.
std::wstring ReadCommandLine(HANDLE process, DWORD timeoutMs = 10000);

// Ends a viewer and waits until it is gone (so its help file may be removed).
void EndProcess(HANDLE process);

}  // namespace vornel::test
