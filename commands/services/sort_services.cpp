// The services in /O order. Each service's keys are folded once into 16-bit
// units, laid out so that comparing two services' units in turn, unsigned,
// orders them as CompareServiceKeys does, and packed four to a 64-bit word
// in one contiguous array; one stable sort then orders the services by their
// words, without folding a name again.
#include <algorithm>
#include <cstdint>

#include "commands/services/services.h"
#include "frame/owners.h"
#include "frame/sort_keys.h"

namespace {

using Record = ENUM_SERVICE_STATUS_PROCESSW;

// Packs units four to a word, the first in the high bits, so that words
// compare as the units in them do; the last word is filled up with 0 units.
// Without `out` it only counts.
struct UnitPacker {
    uint64_t* out;
    size_t units = 0;
    uint64_t word = 0;

    void Put(uint16_t unit)
    {
        word = word << 16 | unit;
        if (++units % 4 == 0 && out)
            out[units / 4 - 1] = word;
    }
    size_t Finish()
    {
        if (units % 4 && out)
            out[units / 4] = word << (16 * (4 - units % 4));
        return (units + 3) / 4;
    }
};

// The units of one service's keys. A name is 1 (0 when it is missing, so
// that it comes first), its characters with A to Z folded, and 0, so that a
// name comes before every longer one it begins; a number is its high and its
// low half. A descending key has every unit complemented. Two services whose
// units are equal up to some point have their keys laid out alike up to
// there, so a comparison never sets one key against another.
void WriteKeyUnits(const wchar_t* keys, const Record* record, UnitPacker& packer)
{
    for (const wchar_t* key = keys; *key; ++key) {
        const vornel::SortKey sortKey = vornel::ReadSortKey(*key);
        auto put = [&](wchar_t unit) { packer.Put(sortKey.descending ? uint16_t(~unit) : uint16_t(unit)); };
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
}

// One service in the sort: its first word, where all its words lie, and
// its record. Two services' units are alike up to where they differ, so
// neither runs out first; equal ones are equal throughout. Most comparisons
// in a sort's first passes need only the first word.
struct Entry {
    uint64_t head;
    const uint64_t* first;
    const uint64_t* last;
    const Record* record;

    bool operator<(const Entry& other) const
    {
        if (head != other.head)
            return head < other.head;
        return std::lexicographical_compare(first, last, other.first, other.last);
    }
};

}  // namespace

void SortServiceSlots(const Record** slots, DWORD count, const wchar_t* keys)
{
    if (!keys || !*keys || count < 2)
        return;
    size_t total = 0;
    for (DWORD i = 0; i < count; ++i) {
        UnitPacker counter{nullptr};
        WriteKeyUnits(keys, slots[i], counter);
        total += counter.Finish();
    }
    auto words = vornel::unique_block<uint64_t>::allocate(total * sizeof(uint64_t) + 1);
    auto entries = vornel::unique_block<Entry>::allocate(count * sizeof(Entry));
    if (!words || !entries) {
        // Without memory for the folded keys: the records compared pair by
        // pair, in the same order.
        std::stable_sort(slots, slots + count,
                         [keys](const Record* a, const Record* b) { return CompareServiceKeys(keys, a, b) < 0; });
        return;
    }
    uint64_t* next = words.get();
    for (DWORD i = 0; i < count; ++i) {
        UnitPacker packer{next};
        WriteKeyUnits(keys, slots[i], packer);
        const uint64_t* first = next;
        next += packer.Finish();
        entries[i] = {first < next ? *first : 0, first, next, slots[i]};
    }
    std::stable_sort(entries.get(), entries.get() + count);
    for (DWORD i = 0; i < count; ++i)
        slots[i] = entries[i].record;
}
