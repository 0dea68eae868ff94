// CSV as RFC 4180 has it: a field holding a comma, a double quote, CR or
// LF is quoted and its quotes doubled; lines end in CRLF. Foreign text is
// masked as on the console first, so a listing opened in a terminal or
// pasted from one cannot drive it.
#include <cwchar>

#include "console/forms.h"
#include "frame/foreign_text.h"

namespace {

void AppendMasked(FormText& out, const wchar_t* text)
{
    if (!text)
        return;
    size_t start = out.size();
    out.Append(text);
    if (!out.failed())
        MaskControlCharacters(out.data() + start, out.size() - start);
}

void AppendValue(FormText& out, const FormField& field)
{
    switch (field.kind) {
    case FieldKind::Text:
        AppendMasked(out, field.text);
        break;
    case FieldKind::Integer:
    case FieldKind::Boolean:
        AppendNumberOrBoolean(out, field);
        break;
    case FieldKind::TextList:
        for (size_t i = 0; i < field.items.size(); ++i) {
            if (i)
                out.Append(L"; ");
            AppendMasked(out, field.items[i]);
        }
        break;
    case FieldKind::Empty:
        break;
    }
}

// The field in `value`, quoted where it must be.
void AppendQuoted(FormText& out, FormText& value)
{
    if (value.failed())
        return;  // its writer reports the memory that ran out
    const wchar_t* text = value.c_str();
    if (!wcspbrk(text, L",\"\r\n")) {
        out.Append(text, value.size());
        return;
    }
    out.Append(L'"');
    for (const wchar_t* p = text; *p; ++p) {
        if (*p == L'"')
            out.Append(L'"');
        out.Append(*p);
    }
    out.Append(L'"');
}

// One line: each item filled into `scratch` as a field, then quoted into `out`.
template <typename Item, typename Fill>
void AppendLine(FormText& out, FormText& scratch, std::span<const Item> items, Fill fill)
{
    for (size_t i = 0; i < items.size(); ++i) {
        if (i)
            out.Append(L',');
        scratch.Clear();
        fill(scratch, items[i]);
        AppendQuoted(out, scratch);
    }
    out.Append(L"\r\n");
}

}  // namespace

void AppendCsvLine(FormText& out, FormText& scratch, std::span<const FormField> fields)
{
    AppendLine(out, scratch, fields, AppendValue);
}

void AppendCsvHeader(FormText& out, FormText& scratch, std::span<const wchar_t* const> names)
{
    AppendLine(out, scratch, names, [](FormText& field, const wchar_t* name) { field.Append(name); });
}
