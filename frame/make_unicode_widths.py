#!/usr/bin/env python3
"""Writes frame/unicode_widths.cpp, what the text routines need to know of
each character, from the Unicode Character Database (Debian's unicode-data
package puts it in /usr/share/unicode). The generated file is committed:
building needs neither this script nor the database. Run it again when the
database is updated:

    python3 frame/make_unicode_widths.py [UCD directory] > frame/unicode_widths.cpp

Widths, as terminals draw them: 0 for combining marks (Mn, Me), format
characters (Cf, except the soft hyphen, which shows when a word breaks) and
the Hangul vowels and final consonants that join the syllable before them;
2 for East Asian Wide and Fullwidth characters, unassigned code points of
the blocks that default to Wide included, and for the unassigned code points
of the emoji blocks U+1F000-U+1FAFF, which terminals draw as the emoji that
later versions put there; 1 for everything else.

With each width go the character's Grapheme_Cluster_Break class (UAX #29)
and its Extended_Pictographic and Emoji properties, which decide where one
character as people see it (an extended grapheme cluster) ends and how wide
an emoji sequence is drawn. The table leaves out what most characters are:
width 1, class Other, neither property.
"""
import os
import re
import sys

RANGE = re.compile(r"^([0-9A-F]+)(?:\.\.([0-9A-F]+))?\s*;\s*(\w+)")
MISSING = re.compile(r"^#\s*@missing:\s*([0-9A-F]+)\.\.([0-9A-F]+)\s*;\s*(\w+)")
SOFT_HYPHEN = 0x00AD
HANGUL_JOINING = [(0x1160, 0x11FF), (0xD7B0, 0xD7FF)]
EMOJI_BLOCKS = (0x1F000, 0x1FAFF)
# The Hangul syllables are LV at every 28th code point and LVT between:
# one range of their own, told apart by arithmetic, not 798 rows.
HANGUL_SYLLABLES = (0xAC00, 0xD7A3)

# The order of GraphemeBreak in frame/text_width.h.
CLASSES = ["Other", "CR", "LF", "Control", "Extend", "ZWJ", "Regional_Indicator", "Prepend", "SpacingMark",
           "L", "V", "T", "LV", "LVT", "HangulSyllable"]
CLASS_NAMES = ["Other", "CR", "LF", "Control", "Extend", "ZWJ", "RegionalIndicator", "Prepend", "SpacingMark",
               "L", "V", "T", "LV", "LVT", "HangulSyllable"]


def read(path, with_missing=False):
    """(first, last, value) for each line of a property file, the
    @missing defaults first so that the assigned lines override them; and
    the version its first line names."""
    defaults, lines, version = [], [], None
    with open(path, encoding="utf-8") as f:
        for line in f:
            if version is None:
                found = re.search(r"-(\d+\.\d+\.\d+)\.txt", line)
                version = found and found.group(1)
            missing = MISSING.match(line)
            if with_missing and missing:
                defaults.append((int(missing.group(1), 16), int(missing.group(2), 16), missing.group(3)))
                continue
            data = RANGE.match(line)
            if data:
                first = int(data.group(1), 16)
                last = int(data.group(2), 16) if data.group(2) else first
                lines.append((first, last, data.group(3)))
    return defaults + lines, version


def emoji_version(path):
    """emoji-data.txt names its version in a line of its own."""
    with open(path, encoding="utf-8") as f:
        for line in f:
            found = re.match(r"#.*Emoji Version (\d+\.\d+)", line)
            if found:
                return found.group(1)
    return None


def widths(ucd):
    categories, version = read(os.path.join(ucd, "extracted", "DerivedGeneralCategory.txt"))
    east_asian, width_version = read(os.path.join(ucd, "extracted", "DerivedEastAsianWidth.txt"), True)
    if version != width_version:
        sys.exit(f"the width files are of different versions: {version} and {width_version}")
    width = {}
    for first, last, value in east_asian:
        for c in range(first, last + 1):
            if value in ("W", "F", "Wide", "Fullwidth"):
                width[c] = 2
            else:
                width.pop(c, None)
    assigned = set()
    for first, last, value in categories:
        if value != "Cn":
            assigned.update(range(first, last + 1))
    for c in range(EMOJI_BLOCKS[0], EMOJI_BLOCKS[1] + 1):
        if c not in assigned:
            width[c] = 2
    zero = [(first, last) for first, last, value in categories if value in ("Mn", "Me", "Cf")]
    for first, last in zero + HANGUL_JOINING:
        for c in range(first, last + 1):
            width[c] = 0
    del width[SOFT_HYPHEN]
    return width, version


def main():
    ucd = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/unicode"
    width, version = widths(ucd)
    breaks, break_version = read(os.path.join(ucd, "auxiliary", "GraphemeBreakProperty.txt"))
    emoji_path = os.path.join(ucd, "emoji", "emoji-data.txt")
    emoji, _ = read(emoji_path)
    emoji_data_version = emoji_version(emoji_path)
    if break_version != version or not version.startswith(f"{emoji_data_version}."):
        sys.exit(f"the files are of different versions: {version}, {break_version}, {emoji_data_version}")

    grapheme = {}
    for first, last, value in breaks:
        for c in range(first, last + 1):
            grapheme[c] = CLASSES.index(value)
    for c in range(HANGUL_SYLLABLES[0], HANGUL_SYLLABLES[1] + 1):
        expected = "LV" if (c - HANGUL_SYLLABLES[0]) % 28 == 0 else "LVT"
        if grapheme.get(c) != CLASSES.index(expected):
            sys.exit(f"U+{c:04X} is not {expected}: the Hangul rule no longer holds")
        grapheme[c] = CLASSES.index("HangulSyllable")
    pictographic, emoji_base = set(), set()
    for first, last, value in emoji:
        if value == "Extended_Pictographic":
            pictographic.update(range(first, last + 1))
        elif value == "Emoji":
            emoji_base.update(range(first, last + 1))

    def row(c):
        return (width.get(c, 1), grapheme.get(c, 0), int(c in pictographic), int(c in emoji_base))

    default = (1, 0, 0, 0)
    ranges = []
    for c in sorted(set(width) | set(grapheme) | pictographic | emoji_base):
        value = row(c)
        if value == default:
            continue
        if ranges and ranges[-1][1] == c - 1 and ranges[-1][2] == value:
            ranges[-1][1] = c
        else:
            ranges.append([c, c, value])

    out = sys.stdout
    out.write("// Generated by frame/make_unicode_widths.py from the Unicode Character\n")
    out.write(f"// Database, version {version}. Do not edit: run the script again.\n")
    out.write('#include "frame/text_width.h"\n\n')
    out.write("// The characters that are not of width 1 and class Other, or that are\n")
    out.write("// pictographic or emoji, in ascending order: first, last, width, class,\n")
    out.write("// Extended_Pictographic, Emoji.\n")
    out.write("#define R(first, last, width, grapheme, pictographic, emoji) \\\n")
    out.write("    {first, last, width, static_cast<uint32_t>(GraphemeBreak::grapheme), pictographic, emoji}\n")
    out.write("extern const CharacterRange UnicodeCharacterRanges[] = {\n")
    for i in range(0, len(ranges), 2):
        items = [f"R(0x{a:04X}, 0x{b:04X}, {w}, {CLASS_NAMES[g]}, {p}, {e})" for a, b, (w, g, p, e) in ranges[i:i + 2]]
        out.write(f"    {', '.join(items)},\n")
    out.write("};\n")
    out.write("#undef R\n")
    out.write("extern const size_t UnicodeCharacterRangeCount = sizeof UnicodeCharacterRanges / "
              "sizeof UnicodeCharacterRanges[0];\n")


if __name__ == "__main__":
    main()
