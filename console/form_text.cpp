// The form writers' growable text.
#include <cstdlib>
#include <cstring>

#include "console/forms.h"

void FormText::Append(const wchar_t* text, size_t length) noexcept
{
    if (failed_)
        return;
    // One more for the terminator c_str() adds.
    if (used_ + length + 1 > capacity_) {
        size_t capacity = capacity_ ? capacity_ : 256;
        while (capacity < used_ + length + 1)
            capacity *= 2;
        auto block = vornel::unique_block<wchar_t>::allocate(capacity * sizeof(wchar_t));
        if (!block) {
            failed_ = true;
            return;
        }
        if (used_)
            memcpy(block.get(), block_.get(), used_ * sizeof(wchar_t));
        block_ = std::move(block);
        capacity_ = capacity;
    }
    memcpy(block_.get() + used_, text, length * sizeof(wchar_t));
    used_ += length;
}

void AppendNumberOrBoolean(FormText& out, const FormField& field)
{
    if (field.kind == FieldKind::Boolean) {
        out.Append(field.number ? L"true" : L"false");
        return;
    }
    wchar_t digits[24];
    _i64tow(field.number, digits, 10);
    out.Append(digits);
}

const wchar_t* FormText::c_str() noexcept
{
    if (!block_ || failed_)
        return L"";
    block_.get()[used_] = L'\0';
    return block_.get();
}
