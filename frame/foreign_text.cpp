// The one mask for foreign text on the listings' lines.
#include "frame/foreign_text.h"

#include <cwchar>

#include "frame/text_width.h"

bool IsControlCharacter(wchar_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

size_t MaskControlCharacters(wchar_t* text, size_t length)
{
    if (!text)
        return 0;
    size_t masked = 0;
    for (size_t i = 0; i < length; ++i) {
        if (IsControlCharacter(text[i])) {
            text[i] = CONTROL_MARK;
            ++masked;
        }
    }
    return masked;
}

void MaskControlCharacters(wchar_t* text)
{
    if (text)
        MaskControlCharacters(text, wcslen(text));
}

ForeignText::ForeignText(const wchar_t* text) noexcept
{
    if (!text)
        return;
    // Most texts hold nothing to mask and are written as they are. A cluster
    // with more non-starters than a cluster keeps has more than that many
    // units in a row from U+0300 up (where marks, joiners and the like
    // begin): only a text with such a run is read by clusters.
    size_t length = 0, run = 0;
    bool clean = true, longRun = false;
    for (; text[length]; ++length) {
        wchar_t c = text[length];
        if (c >= 0x20 && c < 0x7F) {  // plain ASCII
            run = 0;
            continue;
        }
        clean = clean && !IsControlCharacter(c);
        run = c >= 0x300 ? run + 1 : 0;
        longRun = longRun || run > MAX_NON_STARTERS;
    }
    if (clean && !longRun) {
        shown_ = text;
        return;
    }
    copy_ = vornel::unique_block<wchar_t>::allocate((length + 1) * sizeof(wchar_t));
    if (!copy_)
        return;
    wmemcpy(copy_.get(), text, length + 1);
    // Masked first: a mark after a masked character joins the mark's cluster.
    MaskControlCharacters(copy_.get(), length);
    if (longRun)
        DropExcessNonStarters(copy_.get(), length);
    shown_ = copy_.get();
}
