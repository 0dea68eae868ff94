// The /FO switch: the form a listing is written in for programs to read.
#include <cwchar>

#include "console/forms.h"
#include "frame/args.h"
#include "frame/errors.h"

int ReadFormSwitch(const wchar_t* word, OutputForm* form)
{
    // After "/FO", as /T's and /I's values: past a ":" or "=", or directly.
    const wchar_t* value = word + 3;
    if (*value == L':' || *value == L'=')
        ++value;
    if (_wcsicmp(value, L"CSV") == 0)
        *form = OutputForm::Csv;
    else if (_wcsicmp(value, L"JSON") == 0)
        *form = OutputForm::Json;
    else
        return PrintError(L"Bad value: \"%s\"\r\n", value);
    return SWITCH_TAKEN;
}
