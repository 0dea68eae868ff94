// The services in /O order. Comparing the records one pair at a time folded
// the names letter by letter behind two pointers for every comparison, which
// grew with the list faster than the comparisons themselves once the records
// no longer fitted the processor's caches. Here each service's keys are
// folded once into 16-bit units in one contiguous array, and the services are
// ordered four units at a time by a stable radix sort of 64-bit digits: the
// same order, services the keys do not tell apart keeping their slots' order.
#include <algorithm>
#include <cstdint>
#include <cwchar>

#include "commands/services/services.h"
#include "frame/owners.h"
#include "frame/sort_keys.h"

namespace {

using Record = ENUM_SERVICE_STATUS_PROCESSW;

// Writes the units of one service's keys at `out` (counts them when `out` is
// null) and returns how many there are. Compared unit by unit, unsigned, the
// units of two services order them as the keys do: a name is 1 (0 when it
// is missing, so it comes first), its characters with A to Z folded, and 0,
// so that a name comes before every longer one it begins; a number is its
// high and its low half. A descending key has every unit complemented.
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
            if (!text)
                return;
            for (; *text; ++text)
                put(vornel::FoldAsciiLetter(*text));
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

// A service's four units at one depth, the first in the high bits; units past
// its end count as 0. Two services whose units are equal so far have their
// keys laid out alike, so they end at the same depth.
struct Entry {
    uint64_t digit;
    DWORD index;  // the service's slot before the sort
};

// A range of entries equal in every digit above `depth`.
struct Range {
    DWORD first, last;
    size_t depth;
};

struct KeyTable {
    const uint16_t* units;
    const size_t* starts;  // by slot, and one past the last

    size_t Length(DWORD index) const { return starts[index + 1] - starts[index]; }
    uint64_t Digit(DWORD index, size_t depth) const
    {
        uint64_t digit = 0;
        for (size_t unit = 4 * depth; unit < 4 * depth + 4; ++unit)
            digit = digit << 16 | (unit < Length(index) ? units[starts[index] + unit] : 0);
        return digit;
    }
};

// Stable: by the digit alone, equal digits keeping their order.
void SortByDigit(Entry* entries, Entry* scratch, DWORD count)
{
    if (count <= 32) {
        for (DWORD i = 1; i < count; ++i) {
            const Entry entry = entries[i];
            DWORD j = i;
            for (; j > 0 && entries[j - 1].digit > entry.digit; --j)
                entries[j] = entries[j - 1];
            entries[j] = entry;
        }
        return;
    }
    // Byte by byte from the lowest; a byte all entries share is passed over
    // (the high bytes of Latin letters, for one).
    DWORD histogram[8][256] = {};
    for (DWORD i = 0; i < count; ++i)
        for (int byte = 0; byte < 8; ++byte)
            ++histogram[byte][(entries[i].digit >> (8 * byte)) & 0xFF];
    Entry* from = entries;
    Entry* to = scratch;
    for (int byte = 0; byte < 8; ++byte) {
        DWORD* places = histogram[byte];
        if (places[(from[0].digit >> (8 * byte)) & 0xFF] == count)
            continue;
        DWORD sum = 0;
        for (int value = 0; value < 256; ++value)
            sum += std::exchange(places[value], sum);
        for (DWORD i = 0; i < count; ++i)
            to[places[(from[i].digit >> (8 * byte)) & 0xFF]++] = from[i];
        std::swap(from, to);
    }
    if (from != entries)
        std::copy(from, from + count, entries);
}

// False when the memory for the keys cannot be had.
bool SortByFoldedKeys(const Record** slots, DWORD count, const wchar_t* keys)
{
    auto starts = vornel::unique_block<size_t>::allocate((size_t(count) + 1) * sizeof(size_t));
    if (!starts)
        return false;
    starts[0] = 0;
    for (DWORD i = 0; i < count; ++i)
        starts[i + 1] = starts[i] + WriteKeyUnits(keys, slots[i], nullptr);
    auto units = vornel::unique_block<uint16_t>::allocate(starts[count] * sizeof(uint16_t) + 1);
    auto entries = vornel::unique_block<Entry>::allocate(count * sizeof(Entry));
    auto scratch = vornel::unique_block<Entry>::allocate(count * sizeof(Entry));
    // Pending ranges hold two entries or more and do not overlap.
    auto ranges = vornel::unique_block<Range>::allocate((count / 2 + 1) * sizeof(Range));
    auto original = vornel::unique_block<const Record*>::allocate(count * sizeof(const Record*));
    if (!units || !entries || !scratch || !ranges || !original)
        return false;
    for (DWORD i = 0; i < count; ++i) {
        WriteKeyUnits(keys, slots[i], units.get() + starts[i]);
        entries[i].index = i;
        original[i] = slots[i];
    }

    const KeyTable table{units.get(), starts.get()};
    size_t pending = 0;
    ranges[pending++] = {0, count, 0};
    while (pending > 0) {
        const Range range = ranges[--pending];
        for (DWORD i = range.first; i < range.last; ++i)
            entries[i].digit = table.Digit(entries[i].index, range.depth);
        SortByDigit(entries.get() + range.first, scratch.get() + range.first, range.last - range.first);
        for (DWORD i = range.first, end; i < range.last; i = end) {
            for (end = i + 1; end < range.last && entries[end].digit == entries[i].digit; ++end) {
            }
            if (end - i > 1 && table.Length(entries[i].index) > 4 * (range.depth + 1))
                ranges[pending++] = {i, end, range.depth + 1};
        }
    }
    for (DWORD i = 0; i < count; ++i)
        slots[i] = original[entries[i].index];
    return true;
}

}  // namespace

void SortServiceSlots(const Record** slots, DWORD count, const wchar_t* keys)
{
    if (!keys || !*keys || count < 2)
        return;
    if (SortByFoldedKeys(slots, count, keys))
        return;
    // Without memory for the keys: the records compared pair by pair, in the
    // same order.
    std::stable_sort(slots, slots + count,
                     [keys](const Record* a, const Record* b) { return CompareServiceKeys(keys, a, b) < 0; });
}
