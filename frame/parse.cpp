// Numbers, sort keys and highlight lists as the command lines give them.
#include <cerrno>
#include <cwchar>
#include <cwctype>

#include "frame/args.h"

int ParseNumber(const wchar_t* text, unsigned int* value, wchar_t** end)
{
    if (!text || !value)
        return -1;
    errno = 0;
    wchar_t* after = nullptr;
    unsigned long number;
    if (text[0] == L'0' && (text[1] == L'x' || text[1] == L'X') && iswxdigit(text[2])) {
        // wcstoul would take a second "0x" as a prefix of its own: "0x0x5"
        // is the number 0 followed by "x5", not 5.
        bool secondPrefix = text[2] == L'0' && (text[3] == L'x' || text[3] == L'X');
        number = secondPrefix ? 0 : wcstoul(text + 2, &after, 16);
        if (secondPrefix)
            after = const_cast<wchar_t*>(text + 3);
    } else {
        if (!iswdigit(text[0]))
            return -1;
        number = wcstoul(text, &after, 10);
    }
    if (errno)
        return errno;
    if (!end && *after)
        return -1;
    *value = number;
    if (end)
        *end = after;
    return 0;
}

int ParseSortKeys(const wchar_t* text, const wchar_t* allowed, wchar_t* keys)
{
    if (!allowed || !keys)
        return -1;
    keys[0] = L'\0';
    if (!text)
        return 0;
    if (*text == L':' || *text == L'=')
        ++text;
    if (_wcsicmp(text, L"U") == 0)
        return 0;

    int count = 0;
    bool reversed = false;
    for (; *text; ++text) {
        if (*text == L'-') {
            reversed = true;
            continue;
        }
        wchar_t key = towupper(*text);
        if (!wcschr(allowed, key)) {
            return PrintError(L"Bad sort key: /O:%c\r\n", key);
        }
        if (count < SORT_KEYS_SIZE - 1) {
            keys[count++] = reversed ? towlower(key) : key;
            keys[count] = L'\0';
        }
        reversed = false;
    }
    return 0;
}

int AppendHighlightPattern(const wchar_t* pattern, wchar_t* list)
{
    if (!list)
        return -1;
    size_t used = wcslen(list);
    if (used >= HIGHLIGHT_SIZE - 1 || !pattern)
        return 0;
    if (*pattern == L'|')
        ++pattern;
    if (!*pattern)
        return 0;
    if (used > 0 && list[used - 1] != L'|') {
        list[used++] = L'|';
        list[used] = L'\0';
    }
    size_t length = wcslen(pattern);
    if (length + used >= HIGHLIGHT_SIZE)
        return 0;
    wcscpy(list + used, pattern);
    return 1;
}

void UpperCaseInPlace(wchar_t* text)
{
    for (int i = 0; text && i < MAX_ARG_LEN && text[i]; ++i)
        text[i] = towupper(text[i]);
}
