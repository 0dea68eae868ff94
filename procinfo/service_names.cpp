// The service-name list: per hosting process, the display names of the
// services running in it, joined by "; ".
#include <cstdlib>
#include <cwchar>

#include "frame/owners.h"
#include "procinfo/procinfo.h"
#include "procinfo/record_lookup.h"

namespace {

constexpr DWORD SCM_ACCESS = SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE;
constexpr DWORD ALL_SERVICE_TYPES = SERVICE_DRIVER | SERVICE_WIN32;
constexpr DWORD ENUMERATION_SLACK = 224;
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

ServiceNamesInfo* NewRecord(DWORD processId, const wchar_t* name, size_t nameLength)
{
    if (nameLength >= SERVICE_NAMES_SIZE)
        return nullptr;
    auto record = static_cast<ServiceNamesInfo*>(malloc(sizeof(ServiceNamesInfo)));
    if (!record)
        return nullptr;
    record->next = nullptr;
    record->processId = processId;
    record->nameCount = 1;
    wmemcpy(record->names, name, nameLength);
    record->names[nameLength] = L'\0';
    return record;
}

}  // namespace

int CollectServiceNames(ServiceNamesInfo** listHead)
{
    if (!listHead)
        return 0;
    vornel::free_list(*listHead);

    vornel::unique_sc_handle manager(OpenSCManagerW(nullptr, nullptr, SCM_ACCESS));
    if (!manager)
        return 0;
    DWORD needed = 0, returned = 0;
    EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, ALL_SERVICE_TYPES, SERVICE_STATE_ALL, nullptr, 0,
                          &needed, &returned, nullptr, nullptr);
    if (needed == 0)
        return 0;
    DWORD size = needed + ENUMERATION_SLACK;
    auto buffer = vornel::unique_block<BYTE>::allocate(size);
    if (!buffer)
        return 0;
    returned = 0;
    if (!EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, ALL_SERVICE_TYPES, SERVICE_STATE_ALL,
                               buffer.get(), size, &needed, &returned, nullptr, nullptr))
        return 0;

    auto entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.get());
    ServiceNamesInfo* last = nullptr;
    int added = 0;
    for (DWORD i = 0; i < returned; ++i) {
        DWORD processId = entries[i].ServiceStatusProcess.dwProcessId;
        const wchar_t* name = entries[i].lpDisplayName;
        if (processId == 0 || !name || !*name)
            continue;  // stopped services and drivers
        size_t nameLength = wcslen(name);
        if (ServiceNamesInfo* record = FindProcessRecord(*listHead, processId)) {
            if (AppendName(record, name, nameLength))
                ++added;
            continue;
        }
        ServiceNamesInfo* record = NewRecord(processId, name, nameLength);
        if (!record)
            continue;
        if (last)
            last->next = record;
        else
            *listHead = record;
        last = record;
        ++added;
    }
    return added;
}

const ServiceNamesInfo* FindServiceNames(const ServiceNamesInfo* list, DWORD processId)
{
    return FindProcessRecord(list, processId);
}
