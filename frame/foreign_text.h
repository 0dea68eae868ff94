// Text that comes from other programs or from the system's records: process
// and module names, paths, command lines, window titles and classes, service
// and account names. Any of it may hold characters that would drive the
// terminal (escape sequences that recolour it or retitle its window), break
// the listing's lines, or, as 0x11 to 0x16, switch the colour writers'
// colours; or that would make a line show other than what it holds: the
// bidirectional embeddings, overrides and isolates reorder the rest of the
// line in a viewer that honours them, so a name could pass for another, and
// the line and paragraph separators break it. Every such text the listings
// write passes through here first: each of these characters (U+0000 to
// U+001F, U+007F to U+009F, U+2028 to U+202E, U+2066 to U+2069) becomes one
// CONTROL_MARK, so a text keeps its length and the columns keep their width,
// on the console and in redirected output alike. Right-to-left letters and
// the implicit marks U+200E and U+200F stay: they order only the text they
// stand in. The plug-in's own texts, its colour codes, tabs and line ends
// never pass through here.
#pragma once

#include <cstddef>

#include "frame/owners.h"

inline constexpr wchar_t CONTROL_MARK = L'?';

bool IsControlCharacter(wchar_t c);

// Masks the first `length` characters in place, zeros among them too (a
// counted text may hold them); returns how many were masked.
size_t MaskControlCharacters(wchar_t* text, size_t length);
// Masks a zero-terminated text in place.
void MaskControlCharacters(wchar_t* text);

// A foreign text to write that the writer must leave as it is (a record
// the listing still matches or acts on, a list other lines read): the text
// itself when it holds nothing to mask and no cluster longer than a cluster
// keeps (frame/text_width.h), else a masked copy without the code points
// that clusters do not keep. get() is never null: an empty text when the
// text is null or memory for the copy runs out, so the raw text is never
// written instead.
class ForeignText {
public:
    explicit ForeignText(const wchar_t* text) noexcept;
    ForeignText(const ForeignText&) = delete;
    ForeignText& operator=(const ForeignText&) = delete;
    const wchar_t* get() const noexcept { return shown_; }

private:
    vornel::unique_block<wchar_t> copy_;
    const wchar_t* shown_ = L"";
};
