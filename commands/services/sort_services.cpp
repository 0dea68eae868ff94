// The services in /O order. Each service's keys are folded once into 16-bit
// units in one contiguous array, laid out so that comparing two services'
// units in turn, unsigned, orders them as CompareServiceKeys does; one
// stable sort then orders the services without folding a name again.
#include <algorithm>
#include <cstdint>

#include "commands/services/services.h"
#include "frame/owners.h"
#include "frame/sort_keys.h"

namespace {

using Record = ENUM_SERVICE_STATUS_PROCESSW;

// Writes the units of one service's keys at `out` (counts them when `out` is
// null) and returns how many there are. A name is 1 (0 when it is missing,
// so that it comes first), its characters with A to Z folded, and 0, so that
// a name comes before every longer one it begins; a number is its high and
// its low half. A descending key has every unit complemented. Two services
// whose units are equal up to some point have their keys laid out alike up
// to there, so a comparison never sets one key against another.
size_t WriteKeyUnits(const wchar_t* keys, const Record* record, uint16_t* out)
{
    size_t count = 0;
    for (const wchar_t* key = keys; *key; ++key) {
        const vornel::SortKey sortKey = vornel::ReadSortKey(*key);
        auto put = [&](wchar_t unit) {
            if (out)
                out[count] = sortKey.descending ? uint16_t(~unit) : uint16_t(unit);
            ++count;
        };
        auto putText = [&](const wchar_t* text) {
            put(text ? 1 : 0);
            for (; text && *text; ++text)
                put(vornel::FoldAsciiLetter(*text));
            if (text)
                put(0);
        };
        auto putNumber = [&](DWORD number) {
            put(wchar_t(number >> 16));
            put(wchar_t(number & 0xFFFF));
        };
        switch (sortKey.letter) {
        case L'D':
            putText(record->lpDisplayName);
            break;
        case L'N':
            putText(record->lpServiceName);
            break;
        case L'P':
            putNumber(record->ServiceStatusProcess.dwProcessId);
            break;
        case L'S':
            putNumber(record->ServiceStatusProcess.dwCurrentState);
            break;
        case L'T':
            putNumber(record->ServiceStatusProcess.dwServiceType);
            break;
        default:
            break;
        }
    }
    return count;
}

// One service in the sort: where its units lie, and its record.
struct Entry {
    const uint16_t* first;
    const uint16_t* last;
    const Record* record;
};

}  // namespace

void SortServiceSlots(const Record** slots, DWORD count, const wchar_t* keys)
{
    if (!keys || !*keys || count < 2)
        return;
    size_t total = 0;
    for (DWORD i = 0; i < count; ++i)
        total += WriteKeyUnits(keys, slots[i], nullptr);
    auto units = vornel::unique_block<uint16_t>::allocate(total * sizeof(uint16_t) + 1);
    auto entries = vornel::unique_block<Entry>::allocate(count * sizeof(Entry));
    if (!units || !entries) {
        // Without memory for the folded keys: the records compared pair by
        // pair, in the same order.
        std::stable_sort(slots, slots + count,
                         [keys](const Record* a, const Record* b) { return CompareServiceKeys(keys, a, b) < 0; });
        return;
    }
    uint16_t* next = units.get();
    for (DWORD i = 0; i < count; ++i) {
        const uint16_t* first = next;
        next += WriteKeyUnits(keys, slots[i], next);
        entries[i] = {first, next, slots[i]};
    }
    std::stable_sort(entries.get(), entries.get() + count, [](const Entry& a, const Entry& b) {
        return std::lexicographical_compare(a.first, a.last, b.first, b.last);
    });
    for (DWORD i = 0; i < count; ++i)
        slots[i] = entries[i].record;
}
