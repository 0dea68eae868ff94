// Listings for programs to read: the CSV and JSON forms of the listings.
// A command hands the writer one record at a time as a list of named
// fields; the writer never pads, cuts, colours or pages, and writes through
// the host's standard output (UTF-8 to pipes and files), so what a program
// reads is each value whole.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

#include "console/form_text.h"

enum class OutputForm { Table, Csv, Json };

// The value of "/FO:CSV", "/FO=JSON" (any case; the value may also follow
// "/FO" directly, as other switch values do). The front ends hand every
// word that begins with "/FO" here. SWITCH_TAKEN with `form` set, else 1
// after a "Bad value" message, as for other bad switch values.
int ReadFormSwitch(const wchar_t* word, OutputForm* form);

enum class FieldKind { Empty, Text, Integer, Boolean, TextList };

// A field's two names: the CSV column's header (fixed English words) and the
// JSON key (fixed camelCase). One text serves as both where they agree.
struct FormName {
    const wchar_t* header;
    const wchar_t* key;
    constexpr FormName(const wchar_t* header, const wchar_t* key) : header(header), key(key) {}
    constexpr FormName(const wchar_t* both) : header(both), key(both) {}
};

// One named value of a record. Texts are foreign text, which each form makes
// safe in its own way. Empty is the table's "-": an empty CSV field, a JSON
// null.
struct FormField {
    FormName name;
    FieldKind kind = FieldKind::Empty;
    const wchar_t* text = nullptr;
    LONGLONG number = 0;  // Integer, and Boolean as 0 or 1
    std::span<const wchar_t* const> items = {};  // TextList; a null item counts as empty
};

inline FormField EmptyField(FormName name) { return {name}; }
// A null text is Empty.
inline FormField TextField(FormName name, const wchar_t* text)
{
    return {name, text ? FieldKind::Text : FieldKind::Empty, text};
}
inline FormField IntegerField(FormName name, LONGLONG value) { return {name, FieldKind::Integer, nullptr, value}; }
inline FormField BooleanField(FormName name, bool value) { return {name, FieldKind::Boolean, nullptr, value}; }
// CSV joins the items with "; " in one field; JSON gives an array.
inline FormField ListField(FormName name, std::span<const wchar_t* const> items)
{
    return {name, FieldKind::TextList, nullptr, 0, items};
}

// The one writer of both forms, driven the same way whatever the form:
//
//   Begin(column headers)        CSV: the header line (unless /NH); JSON: "["
//   BeginLike(fields)            the same, the headers those of a record's fields
//   Record(fields)               a record without nested lists, or:
//   OpenRecord(fields)           a record whose nested lists follow,
//     OpenList(L"children")      JSON: a nested array of records under that key;
//       OpenRecord / Record ...  CSV: no nesting, the records follow as rows
//     CloseList()
//   CloseRecord()
//   Finish()                     JSON: "]"; CSV: nothing
//
// Every CSV row must carry the columns given to Begin, in that order; the
// headers must outlive the writer. Each record is written as
// soon as it is complete enough, so the listing streams.
//
// Results: 0; STOPPED when Ctrl-C was seen after a record (the ^C mark is
// shown as by the table writers); -2 when memory ran out; -1 for calls out
// of order or a CSV row of other columns. A result other than 0 is kept:
// every later call returns it and writes nothing, and a JSON document is
// left unclosed, so no reader can take a stopped or failed listing for a
// whole one (a pipe loses the command's result).
class FormWriter {
public:
    FormWriter(OutputForm form, bool header) noexcept : form_(form), header_(header) {}
    FormWriter(const FormWriter&) = delete;
    FormWriter& operator=(const FormWriter&) = delete;

    int Begin(std::span<const wchar_t* const> columns);
    int BeginLike(std::span<const FormField> fields);
    int Record(std::span<const FormField> fields);
    int OpenRecord(std::span<const FormField> fields);
    int OpenList(const wchar_t* key);
    int CloseList();
    int CloseRecord();
    int Finish();
    // JSON nests records in lists; CSV writes every record as a row of its own.
    bool Nests() const { return form_ == OutputForm::Json; }

private:
    int Fail(int result) { return result_ = result; }
    int Write(bool recordEnd);
    bool SameColumns(std::span<const FormField> fields) const;
    void Indent(unsigned width);

    OutputForm form_;
    bool header_;
    bool begun_ = false;
    int result_ = 0;
    std::span<const wchar_t* const> columns_;
    std::vector<const wchar_t*> fieldHeaders_;  // the columns when Begin had fields
    // Open records and lists below the document's array: odd inside a
    // record, even inside a list (the document's array is one).
    unsigned depth_ = 0;
    bool listHasItems_ = false;  // JSON: the innermost open array has a record
    bool recordHasMembers_ = false;  // JSON: the innermost open object has a member
    FormText text_;
    FormText field_;
};
