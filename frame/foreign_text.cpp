// The one mask for foreign text on the listings' lines.
#include "frame/foreign_text.h"

#include <cwchar>

bool IsControlCharacter(wchar_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
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
    // Most texts hold nothing to mask and are written as they are.
    size_t length = 0;
    bool clean = true;
    for (; text[length]; ++length)
        clean = clean && !IsControlCharacter(text[length]);
    if (clean) {
        shown_ = text;
        return;
    }
    copy_ = vornel::unique_block<wchar_t>::allocate((length + 1) * sizeof(wchar_t));
    if (!copy_)
        return;
    wmemcpy(copy_.get(), text, length + 1);
    MaskControlCharacters(copy_.get(), length);
    shown_ = copy_.get();
}
