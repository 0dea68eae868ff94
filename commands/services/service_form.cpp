// SERVICES for programs to read (/FO:CSV, /FO:JSON): each service's values,
// read as the table's line reads them, handed whole to the form writer;
// with /R or /S the result of its request.
#include <vector>

#include "commands/services/services.h"

namespace {

constexpr FormName LINE{L"Line", L"line"}, PID{L"PID", L"pid"}, NAME{L"Name", L"name"},
    DISPLAY_NAME{L"Display Name", L"displayName"}, IMAGE_PATH{L"Image Path", L"imagePath"}, TYPE{L"Type", L"type"},
    STATE{L"State", L"state"}, RESULT{L"Result", L"result"};

// The columns the flags select, in the table's order; the PID a number
// with /X too, the result with a request. What the table leaves blank is
// empty.
std::vector<FormField> ServiceFields(const ServiceValues& v, DWORD flags, const wchar_t* result)
{
    std::vector<FormField> fields;
    if (flags & SV_LINE_NUMBERS)
        fields.push_back(IntegerField(LINE, v.line));
    if (flags & (SV_PIDS | SV_HEX))
        fields.push_back(v.processId ? IntegerField(PID, v.processId) : EmptyField(PID));
    fields.push_back(TextField(NAME, v.name));
    if (flags & SV_FILENAME)
        fields.push_back(TextField(IMAGE_PATH, v.path && v.path[0] ? v.path.get() : nullptr));
    else
        fields.push_back(TextField(DISPLAY_NAME, v.displayName));
    if (flags & SV_TYPES)
        fields.push_back(IntegerField(TYPE, v.type));
    fields.push_back(TextField(STATE, v.state));
    if (flags & (SV_START | SV_STOP))
        fields.push_back(TextField(RESULT, result));
    return fields;
}

}  // namespace

int BeginServiceForm(FormWriter& form, DWORD flags)
{
    return form.BeginLike(ServiceFields(ServiceValues{}, flags, nullptr));
}

int WriteServiceRecord(FormWriter& form, const ENUM_SERVICE_STATUS_PROCESSW& record, DWORD flags, DWORD state,
                       int line, const wchar_t* result)
{
    const ServiceValues values = ReadServiceValues(record, flags, state, line);
    return form.Record(ServiceFields(values, flags, result));
}
