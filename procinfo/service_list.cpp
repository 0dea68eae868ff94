// The one enumeration of the services that the service-name lists and the
// SERVICES listing share: ask for the size, allocate it with room to spare,
// ask again. No retry after that: a listing shows one moment's services.
#include "procinfo/procinfo.h"

EnumServicesCall EnumerateServices = EnumServicesStatusExW;

namespace {

// Room for services registered between the size query and the enumeration.
constexpr DWORD SPARE_BYTES = 224;

}  // namespace

vornel::unique_sc_handle OpenServiceManager()
{
    return vornel::unique_sc_handle(
        OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE));
}

DWORD ServiceList::Read(SC_HANDLE manager, DWORD typeMask)
{
    block_.reset();
    count_ = 0;
    DWORD needed = 0;
    if (EnumerateServices(manager, SC_ENUM_PROCESS_INFO, typeMask, SERVICE_STATE_ALL, nullptr, 0, &needed, &count_,
                          nullptr, nullptr))
        return NO_ERROR;
    const DWORD error = GetLastError();
    // A type mask the system does not know selects no service, as one it
    // knows but no service has (Wine answers that way for both).
    if (error == ERROR_INVALID_PARAMETER)
        return NO_ERROR;
    if (error != ERROR_MORE_DATA)
        return error;
    if (needed > MAXDWORD - SPARE_BYTES)
        return ERROR_NOT_ENOUGH_MEMORY;
    const DWORD size = needed + SPARE_BYTES;
    block_ = vornel::unique_block<BYTE>::allocate(size);
    if (!block_)
        return ERROR_NOT_ENOUGH_MEMORY;
    count_ = 0;
    if (EnumerateServices(manager, SC_ENUM_PROCESS_INFO, typeMask, SERVICE_STATE_ALL, block_.get(), size, &needed,
                          &count_, nullptr, nullptr))
        return NO_ERROR;
    count_ = 0;
    return GetLastError();
}
