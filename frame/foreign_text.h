// Text that comes from other programs or from the system's records: process
// and module names, paths, command lines, window titles and classes, service
// and account names. Any of it may hold control characters that would drive
// the terminal (escape sequences that recolour it or retitle its window),
// break the listing's lines, or, as 0x11 to 0x16, switch the colour writers'
// colours. Every such text the listings write passes through here first:
// each control character (U+0000 to U+001F, U+007F to U+009F) becomes one
// CONTROL_MARK, so a text keeps its length and the columns keep their width,
// on the console and in redirected output alike. The plug-in's own texts,
// its colour codes, tabs and line ends never pass through here.
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
// itself when it holds no control character, else a masked copy. get() is
// never null: an empty text when the text is null or memory for the copy
// runs out, so the raw text is never written instead.
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
