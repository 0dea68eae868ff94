// The /D and /DA module lines under a process line, and the modules as a
// form lists them.
#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>

#include "commands/tasklist/tasklist.h"
#include "console/console.h"
#include "frame/foreign_text.h"
#include "frame/host.h"
#include "frame/owners.h"

namespace {

int WriteModuleLine(const MODULEENTRY32W& module, DWORD flags)
{
    // The whole address: above 4 GB its low half would name another place,
    // and two modules could show the same number.
    if (flags & TL_MODULE_BASE)
        Printf(L"\t%016I64X  %s", static_cast<ULONG64>(reinterpret_cast<ULONG_PTR>(module.modBaseAddr)),
               module.szExePath);
    else
        Printf(L"\t%s", module.szExePath);
    return EndLine();
}

// Calls `visit` with each module of the process, the 64-bit and the 32-bit
// ones, until it returns STOPPED; the number visited, or STOPPED.
template <typename Visit>
int WalkModules(DWORD processId, Visit visit)
{
    if (processId == 0)
        return 0;
    vornel::unique_snapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId));
    if (!snapshot)
        return 0;
    int count = 0;
    MODULEENTRY32W module{};
    static_assert(sizeof module == 1080);
    module.dwSize = sizeof module;
    for (BOOL more = Module32FirstW(snapshot.get(), &module); more; more = Module32NextW(snapshot.get(), &module)) {
        ++count;
        if (visit(module) == STOPPED)
            return STOPPED;
        ZeroMemory(&module, sizeof module);
        module.dwSize = sizeof module;
    }
    return count;
}

}  // namespace

int (*ModuleLineWriter)(const MODULEENTRY32W& module, DWORD flags) = WriteModuleLine;

int DumpModules(DWORD processId, DWORD flags)
{
    try {
        return WalkModules(processId, [flags](MODULEENTRY32W& module) {
            MaskControlCharacters(module.szExePath, wcsnlen(module.szExePath, MAX_PATH));
            return ModuleLineWriter(module, flags);
        });
    } catch (...) {
        // The listing cannot go on; the note tells the user why it ends
        // here. The owners release the rest on the way out.
        WriteConsoleText(L"   * DumpModules() cleanup:\n");
        throw;
    }
}

void ReadModules(DWORD processId, ModuleList& modules)
{
    WalkModules(processId, [&modules](const MODULEENTRY32W& module) {
        modules.paths.emplace_back(module.szExePath, wcsnlen(module.szExePath, MAX_PATH));
        modules.bases.push_back(reinterpret_cast<ULONG_PTR>(module.modBaseAddr));
        return 0;
    });
}
