// The full true name of a path, as the shell's QueryTrueName gives it.
#include <cwchar>

#include "frame/owners.h"
#include "host/orshhost/orshhost_control.h"

namespace {

// GetLongPathNameW overflows its own stack inside Wine on paths of about
// 1,030 characters and more (measured: 1,040 survives, 1,100 does not); a
// host function must survive any text, so longer paths keep the full form
// as it stands. Short names in so long a path are rare on Windows too.
constexpr DWORD LONG_NAME_LIMIT = 512;

}  // namespace

ORSH_API int __cdecl QueryTrueName(const wchar_t* path, wchar_t* result)
{
    if (!result)
        return -1;
    result[0] = L'\0';
    if (!path || !*path)
        return -1;
    DWORD n = GetFullPathNameW(path, 32768, result, nullptr);
    if (n == 0 || n >= 32768) {
        result[0] = L'\0';
        return -1;
    }
    // The long form where the file exists, so short names come out whole;
    // a missing file has no other form.
    if (n > LONG_NAME_LIMIT || GetFileAttributesW(result) == INVALID_FILE_ATTRIBUTES)
        return 0;
    auto longName = vornel::unique_block<wchar_t>::allocate(32768 * sizeof(wchar_t));
    if (longName) {
        DWORD m = GetLongPathNameW(result, longName.get(), 32768);
        if (m > 0 && m < 32768)
            wcscpy(result, longName.get());
    }
    return 0;
}
