// Switches that read the same in every command: the highlight list and the
// sort keys.
#include <cwchar>

#include "frame/args.h"
#include "frame/errors.h"
#include "frame/host.h"

int ReadHighlightSwitch(wchar_t* word, wchar_t* list)
{
    if (word[3] != L':' && word[3] != L'=') {
        UpperCaseInPlace(word);
        return PrintError(L"Syntax error: \"%s\"\r\n", word);
    }
    if (word[4])
        AppendHighlightPattern(word + 4, list);
    return SWITCH_TAKEN;
}

int ReadSortSwitch(const wchar_t* word, const wchar_t* helpText, const wchar_t* allowed, wchar_t* keys)
{
    if (wcschr(word, L'?')) {
        QPuts(helpText);
        return 0;
    }
    return ParseSortKeys(word + 2, allowed, keys) == 0 ? SWITCH_TAKEN : 1;
}
