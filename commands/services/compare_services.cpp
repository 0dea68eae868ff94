// The order of the services for /O: by display name, service name, process
// ID, state or type, each ascending or (lower-case key) descending.
#include "commands/services/services.h"
#include "frame/sort_keys.h"

namespace {

// Names fold A to Z only, so the order does not depend on the user's locale.
int CompareNames(const wchar_t* a, const wchar_t* b)
{
    return vornel::CompareOptionalTexts(a, b, vornel::CompareFoldedAscii);
}

}  // namespace

int CompareServiceKeys(const wchar_t* keys, const ENUM_SERVICE_STATUS_PROCESSW* x,
                       const ENUM_SERVICE_STATUS_PROCESSW* y)
{
    using vornel::CompareUnsigned;
    return vornel::CompareByKeys(keys, [x, y](wchar_t key) {
        switch (key) {
        case L'D':
            return CompareNames(x->lpDisplayName, y->lpDisplayName);
        case L'N':
            return CompareNames(x->lpServiceName, y->lpServiceName);
        case L'P':
            return CompareUnsigned(x->ServiceStatusProcess.dwProcessId, y->ServiceStatusProcess.dwProcessId);
        case L'S':
            return CompareUnsigned(x->ServiceStatusProcess.dwCurrentState, y->ServiceStatusProcess.dwCurrentState);
        case L'T':
            return CompareUnsigned(x->ServiceStatusProcess.dwServiceType, y->ServiceStatusProcess.dwServiceType);
        default:
            return 0;
        }
    });
}
