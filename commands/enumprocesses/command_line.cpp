// The ENUMPROCESSES switches and process arguments. Every word is read
// before anything is printed, so a switch after a process ID still applies
// to every tree.
#include <cwchar>

#include "commands/enumprocesses/enumprocesses.h"
#include "console/console.h"
#include "frame/host.h"
#include "frame/usage_texts.h"

namespace {

const wchar_t SortHelpText[] = L"ENUMPROCESSES /O:  \u2014 sort processes\n\n\tN\tby process name\n\tP\tby process ID\n";

// A switch word. Returns SWITCH_TAKEN, else the command's result.
int ReadSwitch(wchar_t* word, EnumProcessesOptions& options)
{
    if (wcsncmp(word, L"/?", 2) == 0)
        return ShowUsage(EnumprocessesUsageText, word[2] == L'?');
    if (wcscmp(word, L"/D") == 0) {
        options.noHighlight = 1;
    } else if (wcsncmp(word, L"/HL", 3) == 0) {
        return ReadHighlightSwitch(word, options.highlightList);
    } else if (wcscmp(word, L"/O") == 0) {
        wcscpy(options.sortKeys, L"P");
    } else if (wcsncmp(word, L"/O", 2) == 0) {
        return ReadSortSwitch(word, SortHelpText, L"PN", options.sortKeys);
    } else if (wcsncmp(word, L"/P", 2) == 0) {
        if (ParsePauseOption(word, &options.pauseLines) != 0)
            return 1;
    } else if (wcscmp(word, L"/T") == 0) {
        options.flags |= EP_TREE;
    } else if (wcscmp(word, L"/W") == 0) {
        options.flags |= EP_WINDOWS;
    } else if (wcscmp(word, L"/X") == 0) {
        options.flags |= EP_HEX;
    } else {
        return PrintError(L"Unknown option: \"%s\"\r\n", word);
    }
    return SWITCH_TAKEN;
}

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

int ReadEnumProcessesWords(EnumProcessesOptions& options)
{
    for (int i = 0; i < ArgCount; ++i) {
        wchar_t* word = ArgWords[i];
        if (word[0] == L'/') {
            int result = ReadSwitch(word, options);
            if (result >= 0)
                return result;
            continue;
        }

        DWORD processId = 0;
        if (!ParseProcessId(word, &processId, DotWord::CurrentProcess)) {
            int result = ResolveName(word, options.nameBuffer, processId);
            if (result >= 0)
                return result;
        }

        if (options.requestedCount >= MAX_REQUESTED_PIDS)
            return PrintError(L"Too many PIDs: \"%s\"\r\n", word);
        options.requested[options.requestedCount++] = processId;
    }
    return SWITCH_TAKEN;
}
