// The argument splitter: cuts a command's argument text into words, with
// quotes, run-together switches (/C/D) and URLs (a://b) handled.
#include "frame/args.h"

#include <cwctype>

int ArgCount = 0;
wchar_t* ArgWords[MAX_ARGS];
int ArgLengths[MAX_ARGS];
wchar_t ArgBuffer[MAX_ARG_LEN];

int SplitArguments(const wchar_t* text, unsigned options)
{
    if (!text)
        return -1;
    ArgCount = 0;
    for (int i = 0; i < MAX_ARGS; ++i) {
        ArgLengths[i] = 0;
        ArgWords[i] = nullptr;
    }
    ArgBuffer[0] = L'\0';

    int position = 0, words = 0, length = 0;
    bool quoted = false, url = false;
    auto endWord = [&] {
        ++words;
        position += length + 1;
        length = 0;
        quoted = false;
        url = false;
    };

    for (const wchar_t* p = text; *p; ++p) {
        wchar_t c = *p;
        if (c == L'"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && iswspace(c)) {
            if (length == 0)
                continue;
            if (options & SA_SPLIT_SPACE) {
                endWord();
                continue;
            }
        } else if (options & SA_SPLIT_SWITCH) {
            if (c == L':' && length > 0 && iswalpha(ArgBuffer[position + length - 1]) && p[1] == L'/' &&
                p[2] == L'/') {
                url = true;
            } else if (c == L'/' && !quoted && !url && length >= 2 && ArgBuffer[position] == L'/') {
                endWord();
            }
        }

        if (position + length >= MAX_ARG_LEN - 1) {
            PrintError(L"Buffer overflow: b = %d, MAX_ARG_LEN = %d \r\n", position + length, MAX_ARG_LEN);
            ArgCount = 0;
            return -1;
        }
        if (words >= MAX_ARGS)
            continue;  // words past the table's end are dropped
        if (length == 0)
            ArgWords[words] = ArgBuffer + position;
        ArgBuffer[position + length] = (options & SA_UPPER) ? towupper(c) : c;
        ArgBuffer[position + length + 1] = L'\0';
        ArgLengths[words] = ++length;
    }
    if (length > 0)
        endWord();

    // Blanks typed inside quotes at a word's end are not part of it.
    for (int i = 0; i < words && i < MAX_ARGS; ++i) {
        while (ArgLengths[i] > 0 && iswspace(ArgWords[i][ArgLengths[i] - 1]))
            ArgWords[i][--ArgLengths[i]] = L'\0';
    }
    ArgCount = words < MAX_ARGS ? words : MAX_ARGS;
    return ArgCount;
}
