// The ENUMPROCESSES switches and process arguments. Every word is read
// before anything is printed, so a switch after a process ID still applies
// to every tree.
#include <cwchar>

#include "commands/enumprocesses/enumprocesses.h"
#include "frame/errors.h"
#include "frame/host.h"

namespace {

const wchar_t SortHelpText[] = L"ENUMPROCESSES /O:  \u2014 sort processes\n\n\tN\tby process name\n\tP\tby process ID\n";

// A name or path word turned into a process ID. Returns SWITCH_TAKEN with the ID in
// `processId`, else the command's result.
int ResolveName(const wchar_t* word, wchar_t* name, DWORD& processId)
{
    if (wcspbrk(word, L"\\/:")) {
        name[0] = L'\0';
        QueryTrueName(word, name);
        if (!name[0])
            return PrintError(L"Bad filename: \"%s\"\r\n", word);
    } else {
        wcsncpy(name, word, PATH_BUFFER_SIZE - 1);
        name[PATH_BUFFER_SIZE - 1] = L'\0';
    }

    int found = FindProcessByName(name);
    if (found == -1) {
        // "notepad" finds notepad.exe; a name with a dot is taken as given.
        size_t length = wcslen(name);
        if (wcschr(name, L'.') || length + 4 >= PATH_BUFFER_SIZE)
            return PrintError(L"Bad PID: \"%s\"\r\n", word);
        wcscpy(name + length, L".exe");
        found = FindProcessByName(name);
        if (found == -1)
            return PrintError(L"Bad PID: \"%s\"\r\n", word);
    }
    processId = static_cast<DWORD>(found);
    return SWITCH_TAKEN;
}

}  // namespace

const SortSwitch EnumProcessesCommand::SORT{L"P", L"PN", SortHelpText};

int EnumProcessesCommand::ReadSwitch(wchar_t* word)
{
    if (wcscmp(word, L"/D") == 0)
        shared.noColour = true;
    else if (wcscmp(word, L"/T") == 0)
        flags |= EP_TREE;
    else if (wcscmp(word, L"/W") == 0)
        flags |= EP_WINDOWS;
    else if (wcscmp(word, L"/X") == 0)
        flags |= EP_HEX;
    else
        return NOT_MINE;
    return SWITCH_TAKEN;
}

int EnumProcessesCommand::ReadArgument(wchar_t* word)
{
    DWORD processId = 0;
    if (!ParseProcessId(word, &processId, DotWord::CurrentProcess)) {
        int result = ResolveName(word, nameBuffer.get(), processId);
        if (result != SWITCH_TAKEN)
            return result;
    }
    if (requestedCount >= MAX_REQUESTED_PIDS)
        return PrintError(L"Too many PIDs: \"%s\"\r\n", word);
    requested[requestedCount++] = processId;
    return SWITCH_TAKEN;
}

int EnumProcessesCommand::CheckWords()
{
    // Without a process, the shell's own tree.
    if (requestedCount == 0)
        requested[requestedCount++] = GetCurrentProcessId();
    return SWITCH_TAKEN;
}
