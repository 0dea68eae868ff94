// The ENUMPROCESSES command: read the command line, read the processes once
// (the system's list of every process, or a snapshot), and print the tree
// of every requested process from them.
#include <cwchar>

#include <windows.h>
#include <tlhelp32.h>

#include "commands/enumprocesses/enumprocesses.h"
#include "console/console.h"
#include "frame/owners.h"

namespace {

int PrintTrees(const EnumProcessesOptions& options)
{
    vornel::list_owner<_EnumProcInfo> processes;
    int built;
    if (const SystemProcessList* system = SystemProcesses()) {
        built = BuildEnumProcList(*system, processes.addr());
    } else {
        vornel::unique_snapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) {
            wchar_t message[MESSAGE_SIZE];
            FormatSystemMessage(GetLastError(), message);
            return PrintError(L"CreateToolhelp32Snapshot() failed!\r\n%s\r\n", message);
        }
        built = BuildEnumProcList(snapshot.get(), processes.addr());
    }
    if (built != 0) {
        PrintError(L"Error allocating _EnumProcInfo structure\r\n");
        return 2;
    }

    vornel::list_owner<WindowTitleInfo> windows;
    vornel::list_owner<ServiceNamesInfo> services;
    if (options.flags & EP_WINDOWS) {
        EnumWindows(CollectWindowTitle, reinterpret_cast<LPARAM>(windows.addr()));
        CollectServiceNames(services.addr());
    }

    InstallCtrlHandler();
    vornel::scope_exit removeHandler([] { RemoveCtrlHandler(); });

    const EnumProcChildren children(processes.get(), ChildKey);
    const wchar_t* highlightList = options.highlightList[0] ? options.highlightList : nullptr;
    const wchar_t* sortKeys = options.sortKeys[0] ? options.sortKeys : nullptr;
    int result = 0;
    for (int i = 0; i < options.requestedCount; ++i) {
        const DWORD processId = options.requested[i];
        const _EnumProcInfo* record = FindProcessRecord(processes.get(), processId);
        if (!record) {
            PrintError(L"Process ID not found: %u\r\n", processId);
            result = 2;
            continue;
        }
        int printed = PrintDescendants(processes.get(), processId, record->name, options.flags, nullptr, false,
                                       highlightList, sortKeys, windows.get(), services.get(), &children);
        if (printed == STOPPED)
            return 3;
        if (printed != 0)
            result = 2;
    }
    return result;
}

int EnumProcesses(const wchar_t* args)
{
    if (!args)
        return 1;
    ResetOutputState();
    // An overflowing split has written its message: the line is rejected
    // rather than read as empty (which would list the shell's own tree).
    if (SplitArguments(args, SA_SPLIT_SPACE | SA_SPLIT_SWITCH | SA_UPPER) < 0)
        return 1;

    auto highlightList = vornel::unique_block<wchar_t>::allocate_zeroed(HIGHLIGHT_SIZE * sizeof(wchar_t));
    auto nameBuffer = vornel::unique_block<wchar_t>::allocate(PATH_BUFFER_SIZE * sizeof(wchar_t));
    if (!highlightList || !nameBuffer)
        return 2;
    // The processes, their names, parents and creation times (for the parent
    // check) come from one list of every process, asked for at the first
    // name to find or else for the trees; a snapshot only where the system
    // gives no list.
    ProcessScope openProcesses(false);
    EnumProcessesOptions options{};
    options.highlightList = highlightList.get();
    options.nameBuffer = nameBuffer.get();
    int result = ReadEnumProcessesWords(options);
    if (result >= 0)
        return result;

    if (options.requestedCount == 0)
        options.requested[options.requestedCount++] = GetCurrentProcessId();
    if (options.pauseLines != 0)
        SetPageLength(options.pauseLines);
    InitOutputOptions(options.noHighlight);
    if (NormalColor == 0)
        options.highlightList[0] = L'\0';

    return PrintTrees(options);
}

}  // namespace

VORNEL_EXPORT int WINAPI enumprocesses(const wchar_t* args)
{
    try {
        return EnumProcesses(args);
    } catch (...) {
        // The owners have released the lists and removed the handler.
        return 2;
    }
}
