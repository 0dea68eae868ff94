// The order of the services for /O: by display name, service name, process
// ID, state or type, each ascending or (lower-case key) descending.
#include <algorithm>

#include "commands/services/services.h"

namespace {

// Folds A to Z only, so the order does not depend on the user's locale.
int CompareFolded(const wchar_t* a, const wchar_t* b)
{
    if (!a || !b)
        return a ? 1 : (b ? -1 : 0);
    for (;; ++a, ++b) {
        wchar_t x = (*a >= L'A' && *a <= L'Z') ? *a + (L'a' - L'A') : *a;
        wchar_t y = (*b >= L'A' && *b <= L'Z') ? *b + (L'a' - L'A') : *b;
        if (x != y)
            return x < y ? -1 : 1;
        if (!x)
            return 0;
    }
}

int CompareNumbers(DWORD a, DWORD b) { return a < b ? -1 : (a > b ? 1 : 0); }

int CompareByKey(wchar_t key, const ENUM_SERVICE_STATUS_PROCESSW* a, const ENUM_SERVICE_STATUS_PROCESSW* b)
{
    switch (key) {
    case L'D':
        return CompareFolded(a->lpDisplayName, b->lpDisplayName);
    case L'N':
        return CompareFolded(a->lpServiceName, b->lpServiceName);
    case L'P':
        return CompareNumbers(a->ServiceStatusProcess.dwProcessId, b->ServiceStatusProcess.dwProcessId);
    case L'S':
        return CompareNumbers(a->ServiceStatusProcess.dwCurrentState, b->ServiceStatusProcess.dwCurrentState);
    case L'T':
        return CompareNumbers(a->ServiceStatusProcess.dwServiceType, b->ServiceStatusProcess.dwServiceType);
    default:
        return 0;
    }
}

}  // namespace

int CompareServiceKeys(const wchar_t* keys, const ENUM_SERVICE_STATUS_PROCESSW* x,
                       const ENUM_SERVICE_STATUS_PROCESSW* y)
{
    for (const wchar_t* key = keys; key && *key; ++key) {
        const bool descending = *key >= L'a' && *key <= L'z';
        int result = CompareByKey(descending ? *key - (L'a' - L'A') : *key, x, y);
        if (result)
            return descending ? -result : result;
    }
    return 0;
}

void SortServiceSlots(const ENUM_SERVICE_STATUS_PROCESSW** slots, DWORD count, const wchar_t* keys)
{
    // Stable: services the keys do not tell apart keep the order of their
    // slots.
    std::stable_sort(slots, slots + count,
                     [keys](const ENUM_SERVICE_STATUS_PROCESSW* a, const ENUM_SERVICE_STATUS_PROCESSW* b) {
                         return CompareServiceKeys(keys, a, b) < 0;
                     });
}
