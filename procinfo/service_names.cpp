// The service-name list: per hosting process, the display names of the
// services running in it, joined by "; ".
#include <cwchar>

#include "frame/owners.h"
#include "procinfo/procinfo.h"
#include "procinfo/record_lookup.h"

namespace {

constexpr wchar_t SEPARATOR[] = L"; ";
constexpr size_t SEPARATOR_LENGTH = 2;

// Appends "; " and a name when both fit whole; a name that would run past
// the record's capacity is left out (no name is ever cut).
bool AppendName(ServiceNamesInfo* record, const wchar_t* name, size_t nameLength)
{
    size_t used = wcsnlen(record->names, SERVICE_NAMES_SIZE);
    if (used + SEPARATOR_LENGTH + nameLength >= SERVICE_NAMES_SIZE)
        return false;
    wmemcpy(record->names + used, SEPARATOR, SEPARATOR_LENGTH);
    wmemcpy(record->names + used + SEPARATOR_LENGTH, name, nameLength);
    record->names[used + SEPARATOR_LENGTH + nameLength] = L'\0';
    ++record->nameCount;
    return true;
}

}  // namespace

int AddServiceName(ServiceNamesInfo** listHead, DWORD processId, const wchar_t* displayName)
{
    if (!listHead || processId == 0 || !displayName || !*displayName)
        return 0;  // stopped services and drivers have no process
    size_t nameLength = wcslen(displayName);
    ServiceNamesInfo** link = listHead;
    for (; *link; link = &(*link)->next) {
        if ((*link)->processId == processId)
            return AppendName(*link, displayName, nameLength) ? 1 : 0;
    }
    if (nameLength >= SERVICE_NAMES_SIZE)
        return 0;
    auto record = static_cast<ServiceNamesInfo*>(vornel::AllocateBlock(sizeof(ServiceNamesInfo), false));
    if (!record)
        return 0;
    record->next = nullptr;
    record->processId = processId;
    record->nameCount = 1;
    wmemcpy(record->names, displayName, nameLength + 1);
    *link = record;
    return 1;
}

int CollectServiceNames(ServiceNamesInfo** listHead)
{
    if (!listHead)
        return 0;
    vornel::free_list(std::exchange(*listHead, nullptr));

    // A manager that refuses or an enumeration that fails leaves the list
    // empty: the listings then show no service names.
    vornel::unique_sc_handle manager = OpenServiceManager();
    ServiceList services;
    if (!manager || services.Read(manager.get(), SERVICE_DRIVER | SERVICE_WIN32) != NO_ERROR)
        return 0;
    int added = 0;
    for (const ENUM_SERVICE_STATUS_PROCESSW& service : services.Records())
        added += AddServiceName(listHead, service.ServiceStatusProcess.dwProcessId, service.lpDisplayName);
    return added;
}

const ServiceNamesInfo* FindServiceNames(const ServiceNamesInfo* list, DWORD processId)
{
    return FindProcessRecord(list, processId);
}
