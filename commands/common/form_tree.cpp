// The service items of a form's record, and a form's result.
#include "commands/common/form_tree.h"

#include <cwchar>

#include "console/console.h"
#include "frame/errors.h"

ServiceItems::ServiceItems(const wchar_t* joined, DWORD count)
{
    if (!joined || !*joined)
        return;
    text_ = joined;
    size_t separators = 0;
    for (size_t at = text_.find(L"; "); at != std::wstring::npos; at = text_.find(L"; ", at + 2))
        ++separators;
    if (separators + 1 == count) {
        for (size_t at; (at = text_.find(L"; ")) != std::wstring::npos;)
            text_.replace(at, 2, 1, L'\0');
    }
    for (const wchar_t* item = text_.c_str(); item < text_.c_str() + text_.size(); item += wcslen(item) + 1)
        items_.push_back(item);
}

int FormResult(int result)
{
    if (result == 0 || result == STOPPED)
        return result ? 3 : 0;
    PrintError(result == -2 ? L"Out of memory\r\n" : L"Unexpected failure\r\n");
    return 2;
}
