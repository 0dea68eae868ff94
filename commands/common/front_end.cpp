// The switches every command reads alike, and the settling of its output.
#include "commands/common/front_end.h"

#include <cwchar>

#include "frame/errors.h"
#include "frame/host.h"

int ReadUsageSwitch(const wchar_t* word, const wchar_t* usage)
{
    if (wcsncmp(word, L"/?", 2) != 0)
        return NOT_MINE;
    return ShowUsage(usage, word[2] == L'?');
}

// SERVICES keeps the case of its words; the other commands' words are upper
// case already.
int ReadSharedSwitch(wchar_t* word, SharedSwitches& shared, const SortSwitch& sort, const wchar_t* formHelp)
{
    // Before the commands' own switches, so that /F keeps its meaning and
    // TASKLIST's /N: letters do not take /NH.
    if (_wcsnicmp(word, L"/FO", 3) == 0) {
        if (wcschr(word, L'?')) {
            QPuts(formHelp);
            return 0;
        }
        return ReadFormSwitch(word, &shared.form);
    }
    if (_wcsicmp(word, L"/NH") == 0) {
        shared.header = false;
        return SWITCH_TAKEN;
    }
    if (_wcsnicmp(word, L"/HL", 3) == 0)
        return ReadHighlightSwitch(word, shared.highlight.get());
    if (_wcsicmp(word, L"/O") == 0) {
        wcscpy(shared.sortKeys, sort.plain);
        return SWITCH_TAKEN;
    }
    if (_wcsnicmp(word, L"/O", 2) == 0)
        return ReadSortSwitch(word, sort.help, sort.letters, shared.sortKeys);
    if (_wcsnicmp(word, L"/P", 2) == 0)
        return ParsePauseOption(word, &shared.pageLines) == 0 ? SWITCH_TAKEN : 1;
    return NOT_MINE;
}

int RejectSwitch(wchar_t* word)
{
    UpperCaseInPlace(word);
    return PrintError(L"Unknown option: \"%s\"\r\n", word);
}

void SettleOutput(SharedSwitches& shared)
{
    const bool table = shared.form == OutputForm::Table;
    if (shared.pageLines && table)
        SetPageLength(shared.pageLines);
    InitOutputOptions(shared.noColour || !table);
    if (NormalColor == 0)
        shared.highlight[0] = L'\0';
}
