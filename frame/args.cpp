// The argument splitter: cuts a command's argument text into words, with
// quotes, run-together switches (/C/D) and URLs (a://b) handled.
#include "frame/args.h"
#include "frame/errors.h"

#include <cwctype>

int SplitArguments(const wchar_t* text, unsigned options, SplitWords& split)
{
    if (!text)
        return -1;
    split.count = 0;
    for (int i = 0; i < MAX_ARGS; ++i) {
        split.lengths[i] = 0;
        split.words[i] = nullptr;
    }
    split.buffer[0] = L'\0';
    wchar_t* const buffer = split.buffer;

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
            if (c == L':' && length > 0 && iswalpha(buffer[position + length - 1]) && p[1] == L'/' &&
                p[2] == L'/') {
                url = true;
            } else if (c == L'/' && !quoted && !url && length >= 2 && buffer[position] == L'/') {
                endWord();
            }
        }

        if (position + length >= MAX_ARG_LEN - 1) {
            PrintError(L"Buffer overflow: b = %d, MAX_ARG_LEN = %d \r\n", position + length, MAX_ARG_LEN);
            split.count = 0;
            return -1;
        }
        if (words >= MAX_ARGS)
            continue;  // words past the table's end are dropped
        if (length == 0)
            split.words[words] = buffer + position;
        buffer[position + length] = (options & SA_UPPER) ? towupper(c) : c;
        buffer[position + length + 1] = L'\0';
        split.lengths[words] = ++length;
    }
    if (length > 0)
        endWord();

    // Blanks typed inside quotes at a word's end are not part of it.
    for (int i = 0; i < words && i < MAX_ARGS; ++i) {
        while (split.lengths[i] > 0 && iswspace(split.words[i][split.lengths[i] - 1]))
            split.words[i][--split.lengths[i]] = L'\0';
    }
    split.count = words < MAX_ARGS ? words : MAX_ARGS;
    return split.count;
}
