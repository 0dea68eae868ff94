// The system's text for an error code, for the plug-in's messages and the
// stand-in shell's alike. Header-only and free of the plug-in's state, so
// that the shell, which stands on frame/ alone, uses this very routine.
#pragma once

#include <windows.h>

#include <cwctype>

namespace vornel {

// The message on one line (its line breaks folded into blanks), without the
// blanks at its end, into `text` of `size` characters. False, with `text`
// empty, when the system has no text for `code` that fits.
inline bool SystemMessage(DWORD code, wchar_t* text, DWORD size)
{
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
    DWORD length = FormatMessageW(flags, nullptr, code, 0, text, size, nullptr);
    if (length == 0 || length >= size) {
        text[0] = L'\0';
        return false;
    }
    while (length > 0 && iswspace(text[length - 1]))
        --length;
    text[length] = L'\0';
    return true;
}

}  // namespace vornel
