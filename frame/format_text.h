// printf into a heap block sized to the text, for the plug-in's writers and
// the stand-in host's alike. Header-only, so that the host, which links none
// of the plug-in's code, formats with this very routine. Formats follow the
// Microsoft conventions of msvcrt's formatter (%s in a wide format is a
// wide string).
#pragma once

#include <cstdarg>
#include <cstdio>

#include "frame/owners.h"

namespace vornel {

struct formatted_text {
    unique_block<wchar_t> text;  // empty when the format was rejected or memory ran out
    int length = -1;             // the text's length; below 0 for a format the formatter rejects
};

// What `format` makes of `args`, in a block with room for `spare` more
// characters after the text and its terminating null. `args` is left as the
// caller passed it.
inline formatted_text format_text(const wchar_t* format, va_list args, size_t spare = 0)
{
    formatted_text out;
    va_list copy;
    va_copy(copy, args);
    out.length = _vscwprintf(format, copy);
    va_end(copy);
    if (out.length < 0)
        return out;
    const size_t size = (size_t)out.length + 1 + spare;
    out.text = unique_block<wchar_t>::allocate(size * sizeof(wchar_t));
    if (out.text) {
        va_copy(copy, args);
        _vsnwprintf(out.text.get(), size, format, copy);
        va_end(copy);
        out.text.get()[out.length] = L'\0';
    }
    return out;
}

}  // namespace vornel
