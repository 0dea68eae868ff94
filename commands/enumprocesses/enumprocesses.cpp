// The ENUMPROCESSES command: read the command line, read the processes once
// (the system's list of every process, or a snapshot), and print the tree
// of every requested process from them.
#include <cwchar>

#include <windows.h>
#include <tlhelp32.h>

#include "commands/common/form_tree.h"
#include "commands/enumprocesses/enumprocesses.h"
#include "console/console.h"
#include "frame/errors.h"
#include "frame/owners.h"

int EnumProcessesCommand::List() const
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
    if (flags & EP_WINDOWS) {
        EnumWindows(CollectWindowTitle, reinterpret_cast<LPARAM>(windows.addr()));
        CollectServiceNames(services.addr());
    }

    const EnumProcChildren children(processes.get(), ChildKey);
    const ProcessTexts texts(windows.get(), services.get());
    FormWriter writer(shared.form, shared.header);
    FormTree form(writer);
    const bool table = shared.form == OutputForm::Table;
    const DescendantOptions options{flags, shared.Highlight(), shared.SortKeys(), &texts, &children,
                                    table ? nullptr : &form};
    if (!table) {
        if (int begun = writer.Begin(DescendantColumns(flags)))
            return FormResult(begun);
    }
    int result = 0;
    for (int i = 0; i < requestedCount; ++i) {
        const DWORD processId = requested[i];
        const _EnumProcInfo* record = FindProcessRecord(processes.get(), processId);
        if (!record) {
            PrintError(L"Process ID not found: %u\r\n", processId);
            result = 2;
            continue;
        }
        int printed = PrintDescendants(processes.get(), processId, record->name, nullptr, false, options);
        if (printed == STOPPED)
            return 3;
        if (printed != 0 && !table)
            return FormResult(printed);
        if (printed != 0)
            result = 2;
    }
    if (!table) {
        int ended = form.Close();
        if (int formResult = FormResult(ended ? ended : writer.Finish()))
            return formResult;
    }
    return result;
}

VORNEL_EXPORT int WINAPI enumprocesses(const wchar_t* args)
{
    // The owners release the lists and the handler on the way out.
    return Guarded(2, [args] { return RunCommand<EnumProcessesCommand>(args); });
}
