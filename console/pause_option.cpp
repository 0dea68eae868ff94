// The /P switch: /P[:time[M]][,lines], also with "=", ";" and "-P".
#include <cwchar>
#include <cwctype>

#include "console/console.h"
#include "frame/args.h"
#include "frame/errors.h"

namespace {

int PauseError(const wchar_t* format, wchar_t* word)
{
    UpperCaseInPlace(word);
    return PrintError(format, word);
}

}  // namespace

int ParsePauseOption(wchar_t* word, unsigned int* lines)
{
    if (!word || !lines)
        return 0;
    if ((word[0] != L'/' && word[0] != L'-') || towupper(word[1]) != L'P')
        return 0;
    *lines = 0xFFFFFFFF;
    PauseTime = 0;

    wchar_t* p = word + 2;
    if (*p == L':' || *p == L'=')
        ++p;
    // Only ASCII digits make a number: a full-width "５" is other text.
    if (IsAsciiDigit(*p)) {
        unsigned int time = 0;
        if (ParseNumber(p, &time, &p) != 0)
            return PauseError(L"Bad pause time: \"%s\"\r\n", word);
        if (*p == L'm' || *p == L'M') {
            ++p;
        } else {
            // Seconds whose milliseconds do not fit the 32-bit time-out
            // would wrap into a short wait: refuse them instead.
            if (time > 0xFFFFFFFFu / 1000)
                return PauseError(L"Bad pause time: \"%s\"\r\n", word);
            time *= 1000;
        }
        PauseTime = time;
    }
    if (*p == L',' || *p == L';') {
        ++p;
        if (IsAsciiDigit(*p)) {
            if (ParseNumber(p, lines, &p) != 0)
                return PauseError(L"Bad pause lines: \"%s\"\r\n", word);
            if (*lines > 1000)
                return PrintError(L"Pause lines must be 0 - 1000: %u\r\n", *lines);
        }
    }
    if (*p)
        return PauseError(L"Syntax error: \"%s\"\r\n", word);
    return 0;
}
