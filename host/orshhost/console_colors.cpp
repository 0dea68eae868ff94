// The shell's colours: its normal attribute, the attribute a plug-in reports
// having set, and colour names as users write them ("bright white on blue").
#include <cwchar>
#include <cwctype>
#include <string>

#include "host/orshhost/host_internal.h"
#include "host/orshhost/orshhost_control.h"

namespace {

int lastColors = -1;

int ColourNumber(const std::wstring& word)
{
    static const wchar_t* names[] = {L"black", L"blue", L"green", L"cyan", L"red", L"magenta", L"yellow", L"white"};
    for (int i = 0; i < 8; ++i) {
        if (_wcsicmp(word.c_str(), names[i]) == 0)
            return i;
    }
    return -1;
}

}  // namespace

ORSH_API void __cdecl GetAttribute(unsigned int* normal, unsigned int* inverse)
{
    unsigned attribute = 0x07;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
        attribute = info.wAttributes & 0xFF;
    if (normal)
        *normal = attribute;
    if (inverse)
        *inverse = ((attribute & 0x0F) << 4) | ((attribute >> 4) & 0x0F);
}

ORSH_API void __cdecl SetColors(unsigned int attribute) { lastColors = (int)(attribute & 0xFFFF); }

ORSH_API int __cdecl OrshLastColors(void) { return lastColors; }

void ResetLastColors() { lastColors = -1; }


// "[bright] colour [on [bright] colour]". Foreground -1: not a colour text.
// Background 64: none was named.
ORSH_API void __cdecl ParseColors(const wchar_t* text, int* foreground, int* background)
{
    if (!foreground || !background)
        return;
    *foreground = -1;
    *background = -1;
    if (!text)
        return;
    std::wstring words[8];
    int count = 0;
    for (const wchar_t* p = text; *p && count < 8;) {
        while (*p && iswspace(*p))
            ++p;
        if (!*p)
            break;
        while (*p && !iswspace(*p))
            words[count] += *p++;
        ++count;
    }
    int i = 0;
    auto colour = [&](int* out) {
        int bright = 0;
        if (i < count && _wcsicmp(words[i].c_str(), L"bright") == 0)
            bright = 8, ++i;
        if (i >= count)
            return false;
        int n = ColourNumber(words[i]);
        if (n < 0)
            return false;
        ++i;
        *out = n | bright;
        return true;
    };
    int fg, bg = 64;
    if (!colour(&fg))
        return;
    if (i < count) {
        if (_wcsicmp(words[i].c_str(), L"on") != 0)
            return;
        ++i;
        if (!colour(&bg) || i != count)
            return;
    }
    *foreground = fg;
    *background = bg;
}
