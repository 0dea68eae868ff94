// Numbers, sort keys and highlight lists as the command lines give them.
#include <cerrno>
#include <cwchar>
#include <cwctype>

#include "frame/args.h"
#include "frame/errors.h"

namespace {

// The value of an ASCII digit of the base, -1 for any other character.
int DigitValue(wchar_t c, unsigned base)
{
    if (IsAsciiDigit(c))
        return c - L'0';
    if (base == 16 && c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (base == 16 && c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

}  // namespace

// Read here rather than by wcstoul, which takes the digits of every script
// (a full-width "０７８０" would be process 780) and, in base 16, a second
// "0x" as a prefix of its own ("0x0x5" is the number 0 followed by "x5").
int ParseNumber(const wchar_t* text, unsigned int* value, wchar_t** end)
{
    if (!text || !value)
        return -1;
    unsigned base = 10;
    const wchar_t* after = text;
    if (text[0] == L'0' && (text[1] == L'x' || text[1] == L'X') && DigitValue(text[2], 16) >= 0) {
        base = 16;
        after = text + 2;
    } else if (!IsAsciiDigit(text[0])) {
        return -1;
    }
    // Every digit is read, as the library's conversion does, so an overflow
    // is reported whatever follows it.
    unsigned long long number = 0;
    bool overflow = false;
    for (int digit; (digit = DigitValue(*after, base)) >= 0; ++after) {
        number = number * base + digit;
        if (number > 0xFFFFFFFFull) {
            overflow = true;
            number = 0;
        }
    }
    if (overflow)
        return ERANGE;
    if (!end && *after)
        return -1;
    *value = static_cast<unsigned int>(number);
    if (end)
        *end = const_cast<wchar_t*>(after);
    return 0;
}

bool ParseProcessId(const wchar_t* word, DWORD* processId, DotWord dot)
{
    if (dot == DotWord::CurrentProcess && word && wcscmp(word, L".") == 0) {
        *processId = GetCurrentProcessId();
        return true;
    }
    unsigned int value;
    if (ParseNumber(word, &value, nullptr) != 0)
        return false;
    *processId = value;
    return true;
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
