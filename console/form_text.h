// The text the form writers build before handing it to the host: a
// growable block from the plug-in's heap, and the encodings of each form.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cwchar>
#include <span>

#include "frame/owners.h"

struct FormField;

// Appends never fail on the spot: when memory runs out the text is marked
// failed and takes nothing more, and its writer reports that once.
class FormText {
public:
    void Append(const wchar_t* text, size_t length) noexcept;
    void Append(const wchar_t* text) noexcept { Append(text, wcslen(text)); }
    void Append(wchar_t c) noexcept { Append(&c, 1); }
    void Clear() noexcept { used_ = 0; }
    wchar_t* data() noexcept { return block_.get(); }
    size_t size() const noexcept { return used_; }
    bool failed() const noexcept { return failed_; }
    // Zero-terminated; an empty text when nothing was appended.
    const wchar_t* c_str() noexcept;

private:
    vornel::unique_block<wchar_t> block_;
    size_t capacity_ = 0;
    size_t used_ = 0;
    bool failed_ = false;
};

// What both forms write alike: an integer in decimal, a boolean as "true"
// or "false".
void AppendNumberOrBoolean(FormText& out, const FormField& field);

// CSV (RFC 4180): the fields joined by commas and a CRLF; `scratch` holds
// one field while it is checked for quoting.
void AppendCsvLine(FormText& out, FormText& scratch, std::span<const FormField> fields);
void AppendCsvHeader(FormText& out, FormText& scratch, std::span<const wchar_t* const> names);

// JSON (RFC 8259): a string with its quotes, and the members of one object
// after its "{" (the object stays open for nested lists).
void AppendJsonString(FormText& out, const wchar_t* text);
void AppendJsonMembers(FormText& out, std::span<const FormField> fields);
