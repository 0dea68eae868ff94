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

namespace {

using Record = ENUM_SERVICE_STATUS_PROCESSW;

// What became of one name pattern: it selected a service, or it names
// services that the process-ID filter or the type mask left out, or none.
enum class NameFate : char { Unmatched, Selected, OtherProcess, OtherType };

// Records in `fates` what each name made of the record.
bool Selected(const Record& record, const ServiceNameNode* names, DWORD pidFilter, std::vector<NameFate>& fates)
{
    const bool inProcess = pidFilter == 0 || record.ServiceStatusProcess.dwProcessId == pidFilter;
    if (!names)
        return inProcess;
    // Key names only: a display name never selects a service.
    bool selected = false;
    size_t i = 0;
    for (const ServiceNameNode* node = names; node; node = node->next, ++i) {
        if (MatchProcessName(node->name, record.lpServiceName) != 0)
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

// Marks the names still unmatched that name services of other types.
void FindOtherTypes(SC_HANDLE manager, DWORD typeMask, const ServiceNameNode* names, std::vector<NameFate>& fates)
{
    ServiceList others;
    if ((typeMask & SV_DEFAULT_TYPES) == SV_DEFAULT_TYPES ||
        std::find(fates.begin(), fates.end(), NameFate::Unmatched) == fates.end() ||
        others.Read(manager, SV_DEFAULT_TYPES) != NO_ERROR)
        return;
    for (const Record& record : others.Records()) {
        size_t i = 0;
        for (const ServiceNameNode* node = names; node; node = node->next, ++i)
            if (fates[i] == NameFate::Unmatched && MatchProcessName(node->name, record.lpServiceName) == 0)
                fates[i] = NameFate::OtherType;
    }
}

// Something that left the listing or a service short of what was asked: the
// system's reason, text and number; for a service, with its name and, where
// it helps to find the fault, the program it runs.
void ReportRefusal(const wchar_t* action, const wchar_t* name, DWORD error, const wchar_t* program = nullptr)
{
    wchar_t reason[MESSAGE_SIZE];
    FormatSystemMessage(error, reason);
    if (!name)
        PrintError(L"Cannot %s: %s (error %u)\r\n", action, reason, error);
    else if (!program)
        PrintError(L"Cannot %s \"%s\": %s (error %u)\r\n", action, ForeignText(name).get(), reason, error);
    else
        PrintError(L"Cannot %s \"%s\" (program %s): %s (error %u)\r\n", action, ForeignText(name).get(),
                   ForeignText(program).get(), reason, error);
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

// The start or stop request of /R or /S for one service; `shown` receives
// the status read after it. The result's word: "started" or "stopped"; when
// the service is left short of the state asked for, "cannot open" or
// "refused", with the reason on standard error.
const wchar_t* SendRequest(SC_HANDLE manager, DWORD flags, const Record& record, Record& shown)
{
    const bool start = (flags & SV_START) != 0;
    DWORD error = NO_ERROR;
    const int refused = start ? StartListedService(manager, record.lpServiceName, &shown.ServiceStatusProcess, &error)
                              : StopListedService(manager, record.lpServiceName, &shown.ServiceStatusProcess, &error);
    if (refused <= 0)
        return start ? L"started" : L"stopped";
    // A program that is not where the service's configuration says is the
    // usual cause of these two: name it, so the user knows what to look for.
    vornel::unique_block<QUERY_SERVICE_CONFIGW> config;
    if (start && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND))
        config = ReadServiceConfig(manager, record.lpServiceName);
    ReportRefusal(start ? L"start" : L"stop", record.lpServiceName, error,
                  config ? config->lpBinaryPathName : nullptr);
    return refused == 1 ? L"cannot open" : L"refused";
}

// The services in the order of the sort keys, all of them, before any
// filtering; in enumeration order without keys, or without room to sort.
vornel::unique_block<const Record*> SortedSlots(std::span<const Record> records, const wchar_t* sortKeys)
{
    vornel::unique_block<const Record*> slots;
    if (!sortKeys || !*sortKeys || records.empty())
        return slots;
    slots = vornel::unique_block<const Record*>::allocate(records.size() * sizeof(const Record*));
    if (!slots)
        return slots;
    for (size_t i = 0; i < records.size(); ++i)
        slots[i] = &records[i];
    SortServiceSlots(slots.get(), DWORD(records.size()), sortKeys);
    return slots;
}

}  // namespace

int ListServices(const ServiceNameNode* names, DWORD typeMask, DWORD flags, DWORD pidFilter,
                 const wchar_t* sortKeys, const wchar_t* highlight, bool* failed, FormWriter* form)
{
    *failed = false;
    if (highlight && !*highlight)
        highlight = nullptr;
    if (typeMask == 0)
        typeMask = SV_DEFAULT_TYPES;
    // The image paths of /F share one reading of the drive letters.
    DriveMapScope driveMap;

    // A listing that cannot read the services has not found that there are
    // none: it says so, and the command fails.
    vornel::unique_sc_handle manager = OpenServiceManager();
    if (!manager) {
        ReportRefusal(L"open the service control manager", nullptr, GetLastError());
        *failed = true;
        return -1;
    }
    ServiceList services;
    if (const DWORD error = services.Read(manager.get(), typeMask); error != NO_ERROR) {
        ReportRefusal(L"list the services", nullptr, error);
        *failed = true;
        return 0;
    }
    const std::span<const Record> records = services.Records();
    const vornel::unique_block<const Record*> slots = SortedSlots(records, sortKeys);

    size_t nameCount = 0;
    for (const ServiceNameNode* node = names; node; node = node->next)
        ++nameCount;
    std::vector<NameFate> fates(nameCount, NameFate::Unmatched);

    int line = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& record = slots ? *slots[i] : records[i];
        if (!Selected(record, names, pidFilter, fates))
            continue;
        ++line;
        // The line shows the state, process ID and path read after the
        // request; without one, or when none could be read, the enumerated ones.
        Record shown = record;
        const wchar_t* result = nullptr;
        if (flags & (SV_START | SV_STOP)) {
            result = SendRequest(manager.get(), flags, record, shown);
            if (*result != L's')  // neither started nor stopped
                *failed = true;
        }
        const DWORD state = KnownState(shown.ServiceStatusProcess.dwCurrentState);
        const int written = form ? WriteServiceRecord(*form, shown, flags, state, line, result)
                                 : PrintServiceLine(&shown, flags, state, line, highlight);
        if (written == STOPPED)
            return STOPPED;
        if (written)
            break;  // the form's writer keeps its failure for the caller
    }
    if (flags & (SV_START | SV_STOP)) {
        FindOtherTypes(manager.get(), typeMask, names, fates);
        if (ReportUnmatched(names, fates, typeMask, pidFilter))
            *failed = true;
    }
    return line;
}
