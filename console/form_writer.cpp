// The form writer's walk: the order of the calls, the JSON document's
// commas, brackets and indentation, and Ctrl-C between records. Text goes
// through the host's QPuts, one call per record, with no paging or colour.
#include <cwchar>

#include "console/console.h"
#include "console/forms.h"
#include "frame/host.h"

int FormWriter::Begin(std::span<const wchar_t* const> columns)
{
    if (result_)
        return result_;
    if (begun_)
        return Fail(-1);
    begun_ = true;
    columns_ = columns;
    // Held until the first record or the end, like everything between records.
    if (form_ == OutputForm::Json)
        text_.Append(L'[');
    else if (header_)
        AppendCsvHeader(text_, field_, columns);
    return 0;
}

int FormWriter::BeginLike(std::span<const FormField> fields)
{
    for (const FormField& field : fields)
        fieldHeaders_.push_back(field.name.header);
    return Begin(fieldHeaders_);
}

int FormWriter::Record(std::span<const FormField> fields)
{
    const int result = OpenRecord(fields);
    return result ? result : CloseRecord();
}

int FormWriter::OpenRecord(std::span<const FormField> fields)
{
    if (result_)
        return result_;
    if (!begun_ || depth_ % 2 != 0)
        return Fail(-1);
    if (form_ == OutputForm::Csv) {
        if (!SameColumns(fields))
            return Fail(-1);
        AppendCsvLine(text_, field_, fields);
    } else {
        if (listHasItems_)
            text_.Append(L',');
        text_.Append(L"\r\n");
        Indent(depth_ + 2);
        AppendJsonMembers(text_, fields);
        recordHasMembers_ = !fields.empty();
    }
    ++depth_;
    return Write(true);
}

int FormWriter::OpenList(const wchar_t* key)
{
    if (result_)
        return result_;
    if (depth_ % 2 != 1 || !key)
        return Fail(-1);
    if (form_ == OutputForm::Json) {
        if (recordHasMembers_)
            text_.Append(L", ");
        AppendJsonString(text_, key);
        text_.Append(L": [");
        listHasItems_ = false;
    }
    ++depth_;
    return 0;
}

int FormWriter::CloseList()
{
    if (result_)
        return result_;
    if (depth_ == 0 || depth_ % 2 != 0)
        return Fail(-1);
    if (form_ == OutputForm::Json) {
        // The closing bracket lines up with its record.
        if (listHasItems_) {
            text_.Append(L"\r\n");
            Indent(depth_);
        }
        text_.Append(L']');
        recordHasMembers_ = true;
    }
    --depth_;
    return 0;
}

int FormWriter::CloseRecord()
{
    if (result_)
        return result_;
    if (depth_ % 2 != 1)
        return Fail(-1);
    if (form_ == OutputForm::Json) {
        text_.Append(L'}');
        listHasItems_ = true;
    }
    --depth_;
    return 0;
}

int FormWriter::Finish()
{
    if (result_)
        return result_;
    if (!begun_ || depth_ != 0)
        return Fail(-1);
    if (form_ == OutputForm::Json)
        text_.Append(listHasItems_ ? L"\r\n]\r\n" : L"]\r\n");
    // Nothing follows the last record: a Ctrl-C now stops nothing.
    return Write(false);
}

// Hands what was built to the host. After a record, Ctrl-C ends the
// listing there, as a line end does in the table form.
int FormWriter::Write(bool recordEnd)
{
    if (text_.failed() || field_.failed())
        return Fail(-2);
    QPuts(text_.c_str());
    text_.Clear();
    if (recordEnd && CtrlCSeen)
        return Fail(ShowCtrlC());
    return 0;
}

bool FormWriter::SameColumns(std::span<const FormField> fields) const
{
    if (fields.size() != columns_.size())
        return false;
    for (size_t i = 0; i < fields.size(); ++i) {
        const wchar_t* header = fields[i].name.header;
        if (!header || (header != columns_[i] && wcscmp(header, columns_[i]) != 0))
            return false;
    }
    return true;
}

void FormWriter::Indent(unsigned width)
{
    for (unsigned i = 0; i < width; ++i)
        text_.Append(L' ');
}
