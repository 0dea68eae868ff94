// JSON as RFC 8259 has it. Strings keep foreign text exactly, nothing
// masked: what would break the document or mislead whoever reads it is
// escaped instead, so a reader gets the text back whole.
#include <cwchar>

#include "console/forms.h"
#include "frame/foreign_text.h"

namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Written as \uXXXX: what the console mask turns into marks (the control
// characters, the bidirectional controls that would reorder the rest of a
// line in a bidi-aware viewer, the line and paragraph separators that some
// readers take as line ends), and a surrogate outside a pair, which has no
// UTF-8 form (escaped, it reaches the reader as it was instead of as a
// replacement character).
bool IsEscaped(wchar_t c) { return IsControlCharacter(c) || (c >= 0xD800 && c <= 0xDFFF); }

void AppendEscape(FormText& out, wchar_t c)
{
    static const wchar_t hex[] = L"0123456789ABCDEF";
    const wchar_t escape[] = {L'\\', L'u', hex[c >> 12], hex[(c >> 8) & 15], hex[(c >> 4) & 15], hex[c & 15]};
    out.Append(escape, 6);
}

void AppendValue(FormText& out, const FormField& field)
{
    switch (field.kind) {
    case FieldKind::Text:
        AppendJsonString(out, field.text);
        break;
    case FieldKind::Integer:
    case FieldKind::Boolean:
        AppendNumberOrBoolean(out, field);
        break;
    case FieldKind::TextList:
        out.Append(L'[');
        for (size_t i = 0; i < field.items.size(); ++i) {
            if (i)
                out.Append(L", ");
            AppendJsonString(out, field.items[i] ? field.items[i] : L"");
        }
        out.Append(L']');
        break;
    case FieldKind::Empty:
        out.Append(L"null");
        break;
    }
}

}  // namespace

void AppendJsonString(FormText& out, const wchar_t* text)
{
    if (!text) {
        out.Append(L"null");
        return;
    }
    out.Append(L'"');
    // Runs of characters that need nothing go over in one piece.
    const wchar_t* run = text;
    for (const wchar_t* p = text; *p; ++p) {
        const wchar_t c = *p;
        if (IsHighSurrogate(c) && IsLowSurrogate(p[1])) {
            ++p;
            continue;
        }
        const bool escaped = IsEscaped(c);
        if (!escaped && c != L'"' && c != L'\\')
            continue;
        out.Append(run, p - run);
        run = p + 1;
        if (escaped) {
            AppendEscape(out, c);
        } else {
            out.Append(L'\\');
            out.Append(c);
        }
    }
    out.Append(run, wcslen(run));
    out.Append(L'"');
}

void AppendJsonMembers(FormText& out, std::span<const FormField> fields)
{
    out.Append(L'{');
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i)
            out.Append(L", ");
        AppendJsonString(out, fields[i].name.key);
        out.Append(L": ");
        AppendValue(out, fields[i]);
    }
}
