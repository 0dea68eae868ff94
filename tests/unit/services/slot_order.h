// The order of services as the plain insertion into an array of record
// pointers had it: by the sort keys, and equal records in the order of their
// slots. The tests hold the listing's sort to it.
#pragma once

#include "commands/services/services.h"

inline int CompareServices(const wchar_t* keys, const void* a, const void* b)
{
    if (a == b)
        return 0;
    const auto* x = *static_cast<const ENUM_SERVICE_STATUS_PROCESSW* const*>(a);
    const auto* y = *static_cast<const ENUM_SERVICE_STATUS_PROCESSW* const*>(b);
    if (int result = CompareServiceKeys(keys, x, y))
        return result;
    return a < b ? -1 : 1;
}
