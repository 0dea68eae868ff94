// Wildcard matching as the shell does it: * any run, ? one character, [set]
// one character of a set (ranges a-z, negation with ! or ^), all without
// regard to case.
#include <cwchar>
#include <cwctype>

#include "host/orshhost/orshhost_control.h"

namespace {

wchar_t Fold(wchar_t c) { return (wchar_t)towlower(c); }

// Matches one character against the set starting after '['; returns the
// position after ']' through `end`, or null for a malformed set.
bool MatchSet(const wchar_t* set, wchar_t c, const wchar_t** end)
{
    bool negate = *set == L'!' || *set == L'^';
    if (negate)
        ++set;
    bool found = false;
    c = Fold(c);
    const wchar_t* p = set;
    for (bool first = true; *p && (*p != L']' || first); first = false) {
        wchar_t low = Fold(*p);
        if (p[1] == L'-' && p[2] && p[2] != L']') {
            wchar_t high = Fold(p[2]);
            if (low <= c && c <= high)
                found = true;
            p += 3;
        } else {
            if (low == c)
                found = true;
            ++p;
        }
    }
    if (*p != L']') {
        *end = nullptr;
        return false;
    }
    *end = p + 1;
    return found != negate;
}

bool Match(const wchar_t* pattern, const wchar_t* text)
{
    // Iterative with one backtrack point per '*': linear in practice.
    const wchar_t* starPattern = nullptr;
    const wchar_t* starText = nullptr;
    // A '[' with no ']' after it cannot open a set; knowing where the last
    // ']' is spares a scan to the pattern's end for each such '[' (a pattern
    // of 40,000 of them took seconds).
    const wchar_t* lastClose = wcsrchr(pattern, L']');
    while (*text) {
        if (*pattern == L'*') {
            while (*pattern == L'*')
                ++pattern;
            if (!*pattern)
                return true;
            starPattern = pattern;
            starText = text;
            continue;
        }
        bool ok = false;
        const wchar_t* next = pattern + 1;
        if (*pattern == L'?') {
            ok = true;
        } else if (*pattern == L'[') {
            const wchar_t* end = nullptr;
            if (lastClose && lastClose > pattern)
                ok = MatchSet(pattern + 1, *text, &end);
            if (end)
                next = end;
            else
                ok = *text == L'[';  // a lone '[' is literal
        } else if (*pattern) {
            ok = Fold(*pattern) == Fold(*text);
        }
        if (ok) {
            pattern = next;
            ++text;
        } else if (starPattern) {
            pattern = starPattern;
            text = ++starText;
        } else {
            return false;
        }
    }
    while (*pattern == L'*')
        ++pattern;
    return *pattern == L'\0';
}

}  // namespace

ORSH_API int __cdecl WildcardComparison(const wchar_t* pattern, const wchar_t* text, int, int)
{
    if (!pattern || !text)
        return 1;
    return Match(pattern, text) ? 0 : 1;
}
