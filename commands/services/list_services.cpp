// The listing: one enumeration of the services with their state and process
// ID, optionally sorted, filtered by name patterns and process ID, each
// service started or stopped on request just before its line is written.
#include <string>
#include <vector>

#include "commands/services/services.h"
#include "console/console.h"
#include "console/foreign_text.h"
#include "frame/args.h"
#include "frame/owners.h"
#include "procinfo/procinfo.h"

namespace {

using Record = ENUM_SERVICE_STATUS_PROCESSW;

// Room for services registered between the size query and the enumeration.
constexpr DWORD SPARE_BYTES = 224;

// Marks in `matched` every name that selects the record.
bool Selected(const Record* record, const ServiceNameNode* names, DWORD pidFilter, std::vector<char>& matched)
{
    if (pidFilter != 0 && record->ServiceStatusProcess.dwProcessId != pidFilter)
        return false;
    if (!names)
        return true;
    // Key names only: a display name never selects a service.
    bool selected = false;
    size_t i = 0;
    for (const ServiceNameNode* node = names; node; node = node->next, ++i) {
        if (MatchProcessName(node->name, record->lpServiceName) == 0) {
            matched[i] = true;
            selected = true;
        }
    }
    return selected;
}

// A request that left a service (or, without a name, every service) short
// of the state asked for: the system's reason, text and number.
void ReportRefusal(const wchar_t* action, const wchar_t* name, DWORD error)
{
    wchar_t reason[MESSAGE_SIZE];
    FormatSystemMessage(error, reason);
    if (name)
        PrintError(L"Cannot %s \"%s\": %s (error %u)\r\n", action, ForeignText(name).get(), reason, error);
    else
        PrintError(L"Cannot %s: %s (error %u)\r\n", action, reason, error);
}

// With /R or /S a name that selects nothing is a request that went nowhere.
bool ReportUnmatched(const ServiceNameNode* names, const std::vector<char>& matched)
{
    bool any = false;
    size_t i = 0;
    for (const ServiceNameNode* node = names; node; node = node->next, ++i) {
        if (matched[i])
            continue;
        std::wstring name(node->name);
        UpperCaseInPlace(name.data());
        PrintError(L"No service matches \"%s\"\r\n", name.c_str());
        any = true;
    }
    return any;
}

}  // namespace

int ListServices(const ServiceNameNode* names, DWORD typeMask, DWORD flags, DWORD pidFilter,
                 const wchar_t* sortKeys, const wchar_t* highlight, bool* failed)
{
    const bool request = (flags & (SV_START | SV_STOP)) != 0;
    *failed = false;
    if (highlight && !*highlight)
        highlight = nullptr;
    if (typeMask == 0)
        typeMask = SV_DEFAULT_TYPES;
    // The image paths of /F share one reading of the drive letters.
    DriveMapScope driveMap;

    vornel::unique_sc_handle manager(
        OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager) {
        if (request) {
            // Nothing can be started or stopped: not a listing that found nothing.
            ReportRefusal(L"open the service control manager", nullptr, GetLastError());
            *failed = true;
        }
        return -1;
    }

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

    size_t nameCount = 0;
    for (const ServiceNameNode* node = names; node; node = node->next)
        ++nameCount;
    std::vector<char> matched(nameCount);

    int line = 0;
    for (DWORD i = 0; i < count; ++i) {
        const Record* record = slots ? slots[i] : &records[i];
        if (!Selected(record, names, pidFilter, matched))
            continue;
        ++line;
        DWORD state = KnownState(record->ServiceStatusProcess.dwCurrentState);
        DWORD error = NO_ERROR;
        int refused = 0;
        if (flags & SV_START)
            refused = StartListedService(manager.get(), record->lpServiceName, &state, &error);
        else if (flags & SV_STOP)
            refused = StopListedService(manager.get(), record->lpServiceName, &state, &error);
        if (refused > 0) {
            ReportRefusal(flags & SV_START ? L"start" : L"stop", record->lpServiceName, error);
            *failed = true;
        }
        if (PrintServiceLine(record, flags, state, line, highlight) == STOPPED)
            return STOPPED;
    }
    if (request && ReportUnmatched(names, matched))
        *failed = true;
    return line;
}
