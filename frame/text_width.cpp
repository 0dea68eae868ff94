// Screen columns of whole characters, from the generated Unicode table.
#include "frame/text_width.h"

#include <cwchar>

int CharacterColumns(char32_t c)
{
    // Everything below the first range (ASCII and Latin-1 included) is one column.
    if (UnicodeWidthRangeCount == 0 || c < UnicodeWidthRanges[0].first)
        return 1;
    size_t low = 0, high = UnicodeWidthRangeCount;
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        if (c < UnicodeWidthRanges[middle].first)
            high = middle;
        else if (c > UnicodeWidthRanges[middle].last)
            low = middle + 1;
        else
            return UnicodeWidthRanges[middle].width;
    }
    return 1;
}

TextFit FitText(const wchar_t* text, size_t length, int room)
{
    TextFit fit{0, 0};
    if (!text)
        return fit;
    while (fit.units < length) {
        char32_t c = text[fit.units];
        size_t units = 1;
        if (c >= 0xD800 && c <= 0xDBFF && fit.units + 1 < length) {
            char32_t low = text[fit.units + 1];
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                units = 2;
            }
        }
        // A zero-width character never crosses the limit, so the marks of a
        // character that fits go with it, and those of one that does not
        // stay out with it.
        int columns = CharacterColumns(c);
        if (columns > room - fit.columns)
            break;
        fit.columns += columns;
        fit.units += units;
    }
    return fit;
}

int TextColumns(const wchar_t* text)
{
    return text ? FitText(text, wcslen(text), INT_MAX).columns : 0;
}
