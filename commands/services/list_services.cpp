// The listing: one enumeration of the services with their state and process
// ID, optionally sorted, filtered by name patterns and process ID, each
// service started or stopped on request just before its line is written.
#include "commands/services/services.h"
#include "console/console.h"
#include "frame/owners.h"
#include "procinfo/procinfo.h"

namespace {

using Record = ENUM_SERVICE_STATUS_PROCESSW;

// Room for services registered between the size query and the enumeration.
constexpr DWORD SPARE_BYTES = 224;

bool Selected(const Record* record, const ServiceNameNode* names, DWORD pidFilter)
{
    if (pidFilter != 0 && record->ServiceStatusProcess.dwProcessId != pidFilter)
        return false;
    if (!names)
        return true;
    // Key names only: a display name never selects a service.
    for (const ServiceNameNode* node = names; node; node = node->next)
        if (MatchProcessName(node->name, record->lpServiceName) == 0)
            return true;
    return false;
}

}  // namespace

int ListServices(const ServiceNameNode* names, DWORD typeMask, DWORD flags, DWORD pidFilter,
                 const wchar_t* sortKeys, const wchar_t* highlight)
{
    if (highlight && !*highlight)
        highlight = nullptr;
    if (typeMask == 0)
        typeMask = SV_DEFAULT_TYPES;
    // The image paths of /F share one reading of the drive letters.
    DriveMapScope driveMap;

    vornel::unique_sc_handle manager(
        OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager)
        return -1;

    DWORD needed = 0, count = 0;
    EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, typeMask, SERVICE_STATE_ALL, nullptr, 0, &needed,
                          &count, nullptr, nullptr);
    if (needed == 0 || needed > MAXDWORD - SPARE_BYTES)
        return 0;
    const DWORD size = needed + SPARE_BYTES;
    auto buffer = vornel::unique_block<BYTE>::allocate(size);
    if (!buffer)
        return 0;
    count = 0;
    if (!EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, typeMask, SERVICE_STATE_ALL, buffer.get(),
                               size, &needed, &count, nullptr, nullptr))
        return 0;
    const auto* records = reinterpret_cast<const Record*>(buffer.get());

    // The sort covers every service, before any filtering; without room for
    // the array the services stay in enumeration order.
    vornel::unique_block<const Record*> slots;
    if (sortKeys && *sortKeys && count > 0)
        slots = vornel::unique_block<const Record*>::allocate(count * sizeof(const Record*));
    if (slots) {
        for (DWORD i = 0; i < count; ++i)
            slots[i] = &records[i];
        SortServiceSlots(slots.get(), count, sortKeys);
    }

    int line = 0;
    for (DWORD i = 0; i < count; ++i) {
        const Record* record = slots ? slots[i] : &records[i];
        if (!Selected(record, names, pidFilter))
            continue;
        ++line;
        DWORD state = KnownState(record->ServiceStatusProcess.dwCurrentState);
        if (flags & SV_START)
            StartListedService(manager.get(), record->lpServiceName, &state);
        else if (flags & SV_STOP)
            StopListedService(manager.get(), record->lpServiceName, &state);
        if (PrintServiceLine(record, flags, state, line, highlight) == STOPPED)
            return STOPPED;
    }
    return line;
}
