// Screen columns of text, counted by whole characters as a terminal draws
// them: a surrogate pair is one character; a combining mark or zero-width
// character (joiners, variation selectors) takes no column and belongs to
// the character before it; an East Asian wide or fullwidth character takes
// two; everything else one. Clipping by these counts never splits a
// character, never parts a mark from its base, and never lets a line run
// past its end.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>

// One range of characters of the same width other than 1; the generated
// table lists them in ascending order.
struct WidthRange {
    uint32_t first;
    uint32_t last : 24;
    uint32_t width : 8;
};
extern const WidthRange UnicodeWidthRanges[];
extern const size_t UnicodeWidthRangeCount;

// Columns of one code point: 0, 1 or 2.
int CharacterColumns(char32_t c);

// The longest start of a text that fits a number of columns.
struct TextFit {
    size_t units;  // UTF-16 code units it holds
    int columns;   // the columns they take
};

// How much of the first `length` code units of text fits in `room` columns,
// by whole characters; with a room that nothing exceeds, the columns of the
// whole text. A character that would cross the limit (a wide one with one
// column left) is left out with everything after it, so the fit may be a
// column short of the room. A lone surrogate counts as one character of one
// column: it is written as a replacement character.
TextFit FitText(const wchar_t* text, size_t length, int room);

// Columns of a zero-terminated text (0 for a null one).
int TextColumns(const wchar_t* text);

// Blanks that fill text of `columns` columns to `width` (none when it is as
// wide or wider): a padded column takes columns + Padding(columns, width).
inline int Padding(int columns, int width) { return columns < width ? width - columns : 0; }
