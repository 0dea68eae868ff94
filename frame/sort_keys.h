// Comparison by the /O sort keys, shared by the commands that sort: each
// command names its own key letters and how its fields compare; the walk
// over the letters, their direction and the common field comparisons are
// here. The keys come from ParseSortKeys: at most 15 letters, an upper-case
// letter ascending, a lower-case one descending.
#pragma once

#include <cwchar>

namespace vornel {

// The sign of a three-way comparison of two numbers; IDs, states and sizes
// compare unsigned, so 0x80000000 sorts after 1.
template <typename Number>
int CompareUnsigned(Number a, Number b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

// A to Z only, so an order built on it does not depend on the user's locale.
inline wchar_t FoldAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + (L'a' - L'A')) : c; }

// Text that may be missing: a missing text sorts before every present one,
// the empty text included; two present ones by `compare`.
template <typename Compare>
int CompareOptionalTexts(const wchar_t* a, const wchar_t* b, Compare compare)
{
    if (!a || !b)
        return a ? 1 : (b ? -1 : 0);
    return compare(a, b);
}

// Character by character with A to Z folded; a text that is a prefix of the
// other comes first.
inline int CompareFoldedAscii(const wchar_t* a, const wchar_t* b)
{
    for (;; ++a, ++b) {
        const wchar_t x = FoldAsciiLetter(*a);
        const wchar_t y = FoldAsciiLetter(*b);
        if (x != y)
            return x < y ? -1 : 1;
        if (!x)
            return 0;
    }
}

// One key: its upper-case letter and whether it sorts descending.
struct SortKey {
    wchar_t letter;
    bool descending;
};

inline SortKey ReadSortKey(wchar_t key)
{
    const bool descending = key >= L'a' && key <= L'z';
    return {descending ? wchar_t(key - (L'a' - L'A')) : key, descending};
}

// Walks the keys in turn: `compareField(letter)` gets each key's upper-case
// letter and answers 0 for a letter it does not know (such a key is passed
// over); the first key that tells the records apart decides, reversed for a
// lower-case letter. 0 when none does, or there are no keys.
template <typename CompareField>
int CompareByKeys(const wchar_t* keys, CompareField compareField)
{
    for (const wchar_t* key = keys; key && *key; ++key) {
        const SortKey sortKey = ReadSortKey(*key);
        const int result = compareField(sortKey.letter);
        if (result != 0)
            return sortKey.descending ? -result : result;
    }
    return 0;
}

}  // namespace vornel
