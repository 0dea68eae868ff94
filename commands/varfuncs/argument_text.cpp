// Preparing a variable function's argument: blanks off both ends, and one
// pair of enclosing quotes where a function accepts them.
#include <cwchar>
#include <cwctype>

#include "commands/varfuncs/varfuncs.h"

int TrimBlanks(wchar_t* text)
{
    if (!text)
        return -1;
    size_t first = 0;
    while (text[first] && iswspace(text[first]))
        ++first;
    size_t end = first + wcslen(text + first);
    while (end > first && iswspace(text[end - 1]))
        --end;
    wmemmove(text, text + first, end - first);
    text[end - first] = L'\0';
    return 0;
}

int StripQuotes(wchar_t* text)
{
    if (!text)
        return -1;
    size_t length = wcslen(text);
    if (length < 2 || text[0] != L'"' || text[length - 1] != L'"')
        return 0;
    wmemmove(text, text + 1, length - 2);
    text[length - 2] = L'\0';
    return 2;
}
