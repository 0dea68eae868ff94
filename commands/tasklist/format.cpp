// Column texts of the process line: CPU times, the short memory size, the
// priority and integrity words, and the last column cut to the line.
#include <cwchar>
#include <memory>

#include "commands/tasklist/tasklist.h"
#include "console/console.h"
#include "frame/foreign_text.h"
#include "frame/host.h"
#include "frame/text_width.h"

ULONGLONG CpuMilliseconds(ULONGLONG span)
{
    // Counted in milliseconds first, so that rounding the largest spans
    // cannot wrap around.
    return span / 10000 + (span % 10000 >= 5000 ? 1 : 0);
}

int FormatCpuTime(ULONGLONG span, wchar_t* text)
{
    ULONGLONG total = CpuMilliseconds(span);
    ULONGLONG hours = total / 3600000;
    unsigned minutes = static_cast<unsigned>((total / 60000) % 60);
    unsigned seconds = static_cast<unsigned>((total / 1000) % 60);
    unsigned milliseconds = static_cast<unsigned>(total % 1000);
    wsprintfW(text, L"%I64u:%02u:%02u.%03u", hours, minutes, seconds, milliseconds);
    return 0;
}

wchar_t ShortMemory(ULONGLONG bytes, ULONGLONG* value)
{
    // Shift to twice the unit, then halve with the lowest bit added back.
    int shift;
    wchar_t unit;
    if (bytes >= (1ULL << 30)) {
        shift = 29;
        unit = L'G';
    } else if (bytes >= (1ULL << 20)) {
        shift = 19;
        unit = L'M';
    } else {
        shift = 9;
        unit = L'K';
    }
    ULONGLONG doubled = bytes >> shift;
    *value = (doubled >> 1) + (doubled & 1);
    return unit;
}

const wchar_t* PriorityClassWord(DWORD priorityClass)
{
    switch (priorityClass) {
    case 0x20:
        return L"Normal";
    case 0x40:
        return L"Idle";
    case 0x80:
        return L"High";
    case 0x100:
        return L"Realtime";
    case 0x4000:
        return L"Below";
    case 0x8000:
        return L"Above";
    default:
        return L"Unknown";
    }
}

namespace {

// The levels by their floors, highest first: the table's short word and the
// forms' name of each.
struct IntegrityLevel {
    int floor;
    const wchar_t* word;
    const wchar_t* name;
};
constexpr IntegrityLevel IntegrityLevels[] = {
    {0x5000, L"Pro", L"Protected"}, {0x4000, L"Sys", L"System"}, {0x3000, L"Hi", L"High"},
    {0x2000, L"Med", L"Medium"},    {0x1000, L"Low", L"Low"},
};

const IntegrityLevel* FindIntegrityLevel(int integrity)
{
    for (const IntegrityLevel& level : IntegrityLevels) {
        if (integrity >= level.floor)
            return &level;
    }
    return nullptr;
}

}  // namespace

const wchar_t* IntegrityWord(int integrity)
{
    if (const IntegrityLevel* level = FindIntegrityLevel(integrity))
        return level->word;
    return integrity >= 0 ? L"-" : L"";  // "-": below Low; nothing: the process did not open
}

const wchar_t* IntegrityName(int integrity)
{
    const IntegrityLevel* level = FindIntegrityLevel(integrity);
    return level ? level->name : nullptr;
}

int LastTextRoom(int width)
{
    // The two blanks before the text, and the line one column short of its
    // end. When the columns before already fill the line, the text still
    // shows its start, cut like any other.
    int room = width - 3;
    return room < 3 ? MIN_LAST_TEXT_ROOM : room;
}

int WriteClipped(const wchar_t* text, int room, BYTE colour)
{
    if (!text)
        return -1;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    bool coloured = colour != 0 && NormalColor != 0;
    WORD held = 7;
    if (coloured) {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (GetConsoleScreenBufferInfo(out, &info) && (info.wAttributes & 0xFF) != 0)
            held = info.wAttributes & 0xFF;
        SetConsoleTextAttribute(out, colour);
    }

    // Every text of this column (command line, path, title, service names)
    // comes from other programs: it is written masked.
    const ForeignText shown(text);
    text = shown.get();

    // The room counts screen columns, and the text is cut between whole
    // characters. A negative room leaves the text whole (the line's last
    // text never gets one: see LastTextRoom).
    size_t length = wcslen(text);
    if (room >= 0 && FitText(text, length, room).units < length) {
        // Room for "..." alone, or for as many dots as fit.
        size_t keep = room >= 3 ? FitText(text, length, room - 3).units : 0;
        const wchar_t* dots = &L"..."[room >= 3 ? 0 : 3 - room];
        auto clipped = std::make_unique_for_overwrite<wchar_t[]>(keep + 4);
        wmemcpy(clipped.get(), text, keep);
        wcscpy(clipped.get() + keep, dots);
        QPuts(clipped.get());
    } else {
        QPuts(text);
    }

    if (coloured)
        SetConsoleTextAttribute(out, held);
    return 0;
}
