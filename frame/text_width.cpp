// Screen columns of characters as people see them, from the generated
// Unicode table: the cluster rules of UAX #29 and the widths of emoji.
#include "frame/text_width.h"

#include <cwchar>

namespace {

using enum GraphemeBreak;

// Plain ASCII needs no table: a character other than CR is a cluster of one
// column unless a mark or joiner (never ASCII) follows it.
inline bool AsciiCluster(const wchar_t* text, size_t length)
{
    return text[0] < 0x80 && text[0] != L'\r' && (length == 1 || text[1] < 0x80);
}

// The code point at `at` and the units it takes; a lone surrogate stands
// for itself.
char32_t Decode(const wchar_t* text, size_t length, size_t at, size_t* units)
{
    char32_t c = text[at];
    *units = 1;
    if (c >= 0xD800 && c <= 0xDBFF && at + 1 < length && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF) {
        *units = 2;
        return 0x10000 + ((c - 0xD800) << 10) + (text[at + 1] - 0xDC00);
    }
    return c;
}

// Whether two code points stay in one cluster (GB3 to GB13; GB999 breaks).
// `pictographicJoin`: a pictograph, extenders and a joiner come before and a
// pictograph follows (GB11); `oddRegional`: an odd run of regional
// indicators comes before (GB12, GB13).
bool Joined(GraphemeBreak before, GraphemeBreak after, bool pictographicJoin, bool oddRegional)
{
    if (before == CR && after == LF)
        return true;
    if (before == CR || before == LF || before == Control || after == CR || after == LF || after == Control)
        return false;
    if (before == L && (after == L || after == V || after == LV || after == LVT))
        return true;
    if ((before == LV || before == V) && (after == V || after == T))
        return true;
    if ((before == LVT || before == T) && after == T)
        return true;
    if (after == Extend || after == ZWJ || after == SpacingMark || before == Prepend)
        return true;
    return pictographicJoin || (before == RegionalIndicator && after == RegionalIndicator && oddRegional);
}

// How far a pictograph's sequence has come (for GB11): a pictograph and
// extenders, then its joiner.
enum class Pictograph { None, Extended, Joiner };

}  // namespace

CharacterInfo LookUpCharacter(char32_t c)
{
    size_t low = 0, high = UnicodeCharacterRangeCount;
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        const CharacterRange& range = UnicodeCharacterRanges[middle];
        if (c < range.first) {
            high = middle;
        } else if (c > range.last) {
            low = middle + 1;
        } else {
            auto grapheme = static_cast<GraphemeBreak>(range.grapheme);
            if (grapheme == HangulSyllable)
                grapheme = (c - 0xAC00) % 28 == 0 ? LV : LVT;
            return {static_cast<int>(range.width), grapheme, range.pictographic != 0, range.emoji != 0};
        }
    }
    return {1, Other, false, false};
}

int CharacterColumns(char32_t c)
{
    return c < 0x80 ? 1 : LookUpCharacter(c).columns;
}

Cluster NextCluster(const wchar_t* text, size_t length)
{
    if (length == 0)
        return {0, 0, 0};
    if (AsciiCluster(text, length))
        return {1, 1, 1};
    size_t units;
    const CharacterInfo first = LookUpCharacter(Decode(text, length, 0, &units));
    Cluster cluster{units, units, first.columns};
    GraphemeBreak previous = first.grapheme;
    Pictograph pictograph = first.pictographic ? Pictograph::Extended : Pictograph::None;
    int regional = previous == RegionalIndicator ? 1 : 0, codePoints = 1;
    bool presentation = false, modified = false, joined = false;
    while (cluster.units < length) {
        const char32_t c = Decode(text, length, cluster.units, &units);
        const CharacterInfo info = LookUpCharacter(c);
        const bool pictographicJoin = previous == ZWJ && pictograph == Pictograph::Joiner && info.pictographic;
        if (!Joined(previous, info.grapheme, pictographicJoin, regional % 2 == 1))
            break;
        cluster.units += units;
        if (++codePoints <= MAX_NON_STARTERS + 1) {
            cluster.kept = cluster.units;
            cluster.columns += info.columns;
            presentation = presentation || c == 0xFE0F;
            modified = modified || (c >= 0x1F3FB && c <= 0x1F3FF);  // skin tones
            joined = joined || pictographicJoin;
        }
        if (info.pictographic)
            pictograph = Pictograph::Extended;
        else if (pictograph == Pictograph::Extended && info.grapheme == ZWJ)
            pictograph = Pictograph::Joiner;
        else if (!(pictograph == Pictograph::Extended && info.grapheme == Extend))
            pictograph = Pictograph::None;
        regional = info.grapheme == RegionalIndicator ? regional + 1 : 0;
        previous = info.grapheme;
    }
    // Emoji sequences are drawn as one emoji, two columns wide.
    if ((first.emoji && presentation) || (first.pictographic && (modified || joined)))
        cluster.columns = 2;
    return cluster;
}

TextFit FitText(const wchar_t* text, size_t length, int room)
{
    TextFit fit{0, 0};
    if (!text)
        return fit;
    while (fit.units < length) {
        const wchar_t* rest = text + fit.units;
        Cluster cluster = AsciiCluster(rest, length - fit.units) ? Cluster{1, 1, 1}
                                                                  : NextCluster(rest, length - fit.units);
        // A cluster of no columns never crosses the limit, so it stays with
        // the text before it.
        if (cluster.columns > room - fit.columns)
            break;
        fit.columns += cluster.columns;
        fit.units += cluster.units;
    }
    return fit;
}

int TextColumns(const wchar_t* text)
{
    return text ? FitText(text, wcslen(text), INT_MAX).columns : 0;
}

size_t DropExcessNonStarters(wchar_t* text, size_t length)
{
    size_t read = 0, written = 0;
    while (read < length) {
        Cluster cluster = NextCluster(text + read, length - read);
        if (written != read)
            wmemmove(text + written, text + read, cluster.kept);
        written += cluster.kept;
        read += cluster.units;
    }
    text[written] = L'\0';
    return written;
}
