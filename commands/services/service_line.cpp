// One line of the service listing: first the service's values (line
// number, process ID, service name, display name or image path, type value
// and state), then their layout in the table's columns.
#include <cwchar>

#include "commands/services/services.h"
#include "console/console.h"
#include "frame/foreign_text.h"
#include "frame/host.h"
#include "frame/owners.h"
#include "frame/text_width.h"
#include "procinfo/procinfo.h"

namespace {

constexpr int NAME_WIDTH = 18;

const wchar_t* const StateNames[] = {L"Unknown",  L"Stopped",  L"Starting", L"Stopping",
                                     L"Running",  L"Resuming", L"Pausing",  L"Paused"};

bool Highlighted(const wchar_t* highlight, const wchar_t* text)
{
    return highlight && NormalColor && text && MatchProcessName(highlight, text) == 0;
}

// The name in 18 columns and two blanks; a matching name in the reversed
// highlight colour, padded in the normal colour. Names, display names and
// paths come from the service manager's records: each is matched as it is
// (the requests need the name unchanged) and written masked.
void PrintName(const wchar_t* name, const wchar_t* highlight)
{
    const ForeignText shown(name);
    const int blanks = Padding(TextColumns(shown.get()), NAME_WIDTH);
    if (!Highlighted(highlight, name))
        ColorPrintf(L"\x12%s%*s\x11  ", shown.get(), blanks, L"");
    else
        ColorPrintf(L"\x14%s\x11%*s  ", shown.get(), blanks, L"");
}

void PrintSecondColumn(const wchar_t* text, const wchar_t* highlight)
{
    const ForeignText shown(text);
    if (*text && Highlighted(highlight, text))
        ColorPrintf(L"\x14%s\x11 ", shown.get());
    else
        Printf(L"%s ", shown.get());
}

}  // namespace

const wchar_t* ServiceStateName(DWORD state) { return StateNames[KnownState(state)]; }

ServiceValues ReadServiceValues(const ENUM_SERVICE_STATUS_PROCESSW& record, DWORD flags, DWORD state, int line)
{
    const SERVICE_STATUS_PROCESS& status = record.ServiceStatusProcess;
    ServiceValues values{line,
                         status.dwProcessId,
                         record.lpServiceName ? record.lpServiceName : L"",
                         record.lpDisplayName ? record.lpDisplayName : L"",
                         status.dwServiceType,
                         ServiceStateName(state),
                         {}};
    if (flags & SV_FILENAME) {
        // A path that cannot be read (stopped service, no rights) is empty.
        values.path = vornel::unique_block<wchar_t>::allocate(PATH_BUFFER_SIZE * sizeof(wchar_t));
        if (values.path && (values.processId == 0 || GetProcessImagePath(values.processId, values.path.get()) != 0))
            values.path[0] = L'\0';
    }
    return values;
}

int PrintServiceLine(const ENUM_SERVICE_STATUS_PROCESSW* record, DWORD flags, DWORD state, int line,
                     const wchar_t* highlight)
{
    if (!record)
        return -1;
    if (highlight && !*highlight)
        highlight = nullptr;
    const ServiceValues values = ReadServiceValues(*record, flags, state, line);
    // A Ctrl-C that came before the line (above all while a start or stop
    // request was pending) is held until the line's end: the coloured
    // writers would put the mark where the service's name belongs, and the
    // user could not tell which service the request was for.
    const bool stopRequested = InterlockedExchange(&CtrlCSeen, 0) != 0;

    if (flags & SV_LINE_NUMBERS)
        Printf(L"%3d: ", values.line);
    if (values.processId == 0 && (flags & (SV_PIDS | SV_HEX)))
        Printf(L"          ");
    else if (flags & SV_HEX)
        Printf(L"%8X  ", values.processId);
    else if (flags & SV_PIDS)
        Printf(L"%8u  ", values.processId);
    PrintName(values.name, highlight);
    if (!(flags & SV_FILENAME))
        PrintSecondColumn(values.displayName, highlight);
    else
        PrintSecondColumn(values.path ? values.path.get() : L"", highlight);
    if (flags & SV_TYPES)
        Printf(L" (%u) ", values.type);
    Printf(L"\x2014 %s", values.state);
    if (stopRequested)
        InterlockedExchange(&CtrlCSeen, 1);
    return EndLine() == STOPPED ? STOPPED : 0;
}
