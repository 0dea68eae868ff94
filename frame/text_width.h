// Screen columns of text, counted by characters as people see them and
// terminals draw them: extended grapheme clusters (a base with its marks, a
// Hangul syllable from its letters, a flag from two regional indicators, an
// emoji sequence joined by U+200D). A cluster takes the columns of the code
// points in it (an East Asian wide or fullwidth one two, a combining mark or
// other zero-width one none, everything else one), except that an emoji
// sequence takes two: a flag, an emoji base followed by U+FE0F (emoji
// presentation), and a pictographic base with a skin-tone modifier or with
// further pictographs joined to it. Clipping by these counts never splits a
// cluster, so a cut never leaves a lone joiner, half a flag or a mark
// without its base, and never lets a line run past its end.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>

// The Grapheme_Cluster_Break classes of UAX #29. HangulSyllable is the
// table's short form for the precomposed syllables, LV or LVT by position.
enum class GraphemeBreak : uint8_t {
    Other,
    CR,
    LF,
    Control,
    Extend,
    ZWJ,
    RegionalIndicator,
    Prepend,
    SpacingMark,
    L,
    V,
    T,
    LV,
    LVT,
    HangulSyllable,
};

// One range of characters alike in width, class and emoji properties; the
// generated table lists, in ascending order, those that are not of width 1,
// class Other and neither pictographic nor emoji.
struct CharacterRange {
    uint32_t first;
    uint32_t last : 21;
    uint32_t width : 2;
    uint32_t grapheme : 4;
    uint32_t pictographic : 1;  // Extended_Pictographic
    uint32_t emoji : 1;         // Emoji: may take U+FE0F for emoji presentation
};
extern const CharacterRange UnicodeCharacterRanges[];
extern const size_t UnicodeCharacterRangeCount;

struct CharacterInfo {
    int columns;  // 0, 1 or 2
    GraphemeBreak grapheme;
    bool pictographic;
    bool emoji;
};
CharacterInfo LookUpCharacter(char32_t c);

// Columns of one code point alone: 0, 1 or 2.
int CharacterColumns(char32_t c);

// A cluster keeps its first code point and at most this many after it (the
// limit of Unicode's stream-safe text format); the rest are not written, so
// that a flood of marks cannot hide the text after it.
inline constexpr int MAX_NON_STARTERS = 30;

struct Cluster {
    size_t units;  // the UTF-16 code units it spans
    size_t kept;   // of them, the units written: the first MAX_NON_STARTERS + 1 code points
    int columns;   // the columns the kept units take
};

// The cluster that begins `text` (`length` > 0 code units, read no further).
// A lone surrogate counts as a character of one column: it is written as a
// replacement character.
Cluster NextCluster(const wchar_t* text, size_t length);

// The longest start of a text that fits a number of columns.
struct TextFit {
    size_t units;  // UTF-16 code units it spans
    int columns;   // the columns they take
};

// How much of the first `length` code units of text fits in `room` columns,
// by whole clusters; with a room that nothing exceeds, the columns of the
// whole text. A cluster that would cross the limit (a wide one with one
// column left) is left out with everything after it, so the fit may be a
// column short of the room.
TextFit FitText(const wchar_t* text, size_t length, int room);

// Columns of a zero-terminated text (0 for a null one).
int TextColumns(const wchar_t* text);

// Removes in place the code points that clusters do not keep from the first
// `length` units of text, and ends the rest with a zero; returns its length.
size_t DropExcessNonStarters(wchar_t* text, size_t length);

// Blanks that fill text of `columns` columns to `width` (none when it is as
// wide or wider): a padded column takes columns + Padding(columns, width).
inline int Padding(int columns, int width) { return columns < width ? width - columns : 0; }
