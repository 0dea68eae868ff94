// The listing: one enumeration of the services with their state and process
// ID, optionally sorted, filtered by name patterns and process ID, each
// service started or stopped on request just before its line is written.
#include <algorithm>
#include <string>
#include <vector>

#include "commands/services/services.h"
#include "console/console.h"
#include "frame/args.h"
#include "frame/errors.h"
#include "frame/foreign_text.h"
#include "frame/owners.h"
#include "procinfo/procinfo.h"

EnumServicesCall EnumerateServices = EnumServicesStatusExW;

namespace {

using Record = ENUM_SERVICE_STATUS_PROCESSW;

// Room for services registered between the size query and the enumeration.
constexpr DWORD SPARE_BYTES = 224;

// What became of one name pattern: it selected a service, or it names
// services that the process-ID filter or the type mask left out, or none.
enum class NameFate : char { Unmatched, Selected, OtherProcess, OtherType };

// Records in `fates` what each name made of the record.
bool Selected(const Record* record, const ServiceNameNode* names, DWORD pidFilter, std::vector<NameFate>& fates)
{
    const bool inProcess = pidFilter == 0 || record->ServiceStatusProcess.dwProcessId == pidFilter;
    if (!names)
        return inProcess;
    // Key names only: a display name never selects a service.
    bool selected = false;
    size_t i = 0;
    for (const ServiceNameNode* node = names; node; node = node->next, ++i) {
        if (MatchProcessName(node->name, record->lpServiceName) != 0)
            continue;
        if (inProcess) {
            fates[i] = NameFate::Selected;
            selected = true;
        } else if (fates[i] == NameFate::Unmatched) {
            fates[i] = NameFate::OtherProcess;
        }
    }
    return selected;
}

// One enumeration of the services of the types in `typeMask`: NO_ERROR with
// the records (none when there are no services of those types), or the
// reason there are none.
DWORD Enumerate(SC_HANDLE manager, DWORD typeMask, vornel::unique_block<BYTE>& buffer, DWORD& count)
{
    DWORD needed = 0;
    count = 0;
    if (EnumerateServices(manager, SC_ENUM_PROCESS_INFO, typeMask, SERVICE_STATE_ALL, nullptr, 0, &needed, &count,
                          nullptr, nullptr))
        return NO_ERROR;
    const DWORD error = GetLastError();
    if (error != ERROR_MORE_DATA)
        return error;
    if (needed > MAXDWORD - SPARE_BYTES)
        return ERROR_NOT_ENOUGH_MEMORY;
    const DWORD size = needed + SPARE_BYTES;
    buffer = vornel::unique_block<BYTE>::allocate(size);
    if (!buffer)
        return ERROR_NOT_ENOUGH_MEMORY;
    count = 0;
    if (!EnumerateServices(manager, SC_ENUM_PROCESS_INFO, typeMask, SERVICE_STATE_ALL, buffer.get(), size, &needed,
                           &count, nullptr, nullptr))
        return GetLastError();
    return NO_ERROR;
}

// Marks the names still unmatched that name services of other types.
void FindOtherTypes(SC_HANDLE manager, DWORD typeMask, const ServiceNameNode* names, std::vector<NameFate>& fates)
{
    if ((typeMask & SV_DEFAULT_TYPES) == SV_DEFAULT_TYPES ||
        std::find(fates.begin(), fates.end(), NameFate::Unmatched) == fates.end())
        return;
    vornel::unique_block<BYTE> buffer;
    DWORD count = 0;
    if (Enumerate(manager, SV_DEFAULT_TYPES, buffer, count) != NO_ERROR)
        return;
    const auto* records = reinterpret_cast<const Record*>(buffer.get());
    for (DWORD r = 0; r < count; ++r) {
        size_t i = 0;
        for (const ServiceNameNode* node = names; node; node = node->next, ++i)
            if (fates[i] == NameFate::Unmatched && MatchProcessName(node->name, records[r].lpServiceName) == 0)
                fates[i] = NameFate::OtherType;
    }
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

// With /R or /S a name that selects nothing is a request that went nowhere:
// say why.
bool ReportUnmatched(const ServiceNameNode* names, const std::vector<NameFate>& fates, DWORD typeMask,
                     DWORD pidFilter)
{
    bool any = false;
    size_t i = 0;
    for (const ServiceNameNode* node = names; node; node = node->next, ++i) {
        if (fates[i] == NameFate::Selected)
            continue;
        std::wstring name(node->name);
        UpperCaseInPlace(name.data());
        if (fates[i] == NameFate::OtherType)
            PrintError(L"\"%s\" is not selected by /T:%u\r\n", name.c_str(), typeMask);
        else if (fates[i] == NameFate::OtherProcess)
            PrintError(L"\"%s\" is not selected by /I:%u\r\n", name.c_str(), pidFilter);
        else
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

    vornel::unique_block<BYTE> buffer;
    DWORD count = 0;
    if (const DWORD error = Enumerate(manager.get(), typeMask, buffer, count); error != NO_ERROR) {
        if (request) {
            ReportRefusal(L"list the services", nullptr, error);
            *failed = true;
        }
        return 0;
    }
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
    std::vector<NameFate> fates(nameCount, NameFate::Unmatched);

    int line = 0;
    for (DWORD i = 0; i < count; ++i) {
        const Record* record = slots ? slots[i] : &records[i];
        if (!Selected(record, names, pidFilter, fates))
            continue;
        ++line;
        // The line shows the state, process ID and path read after the
        // request; without one, or when none could be read, the enumerated ones.
        Record shown = *record;
        DWORD error = NO_ERROR;
        int refused = 0;
        if (flags & SV_START)
            refused = StartListedService(manager.get(), record->lpServiceName, &shown.ServiceStatusProcess, &error);
        else if (flags & SV_STOP)
            refused = StopListedService(manager.get(), record->lpServiceName, &shown.ServiceStatusProcess, &error);
        if (refused > 0) {
            ReportRefusal(flags & SV_START ? L"start" : L"stop", record->lpServiceName, error);
            *failed = true;
        }
        const DWORD state = KnownState(shown.ServiceStatusProcess.dwCurrentState);
        if (PrintServiceLine(&shown, flags, state, line, highlight) == STOPPED)
            return STOPPED;
    }
    if (request) {
        FindOtherTypes(manager.get(), typeMask, names, fates);
        if (ReportUnmatched(names, fates, typeMask, pidFilter))
            *failed = true;
    }
    return line;
}
