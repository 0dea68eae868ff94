// The order of a large random service list against the plain insertion it
// replaces, which swaps neighbours in place under the slot tie rule; and the
// sort on folded keys against the records compared pair by pair.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/unit/services/slot_order.h"

namespace {

using Record = ENUM_SERVICE_STATUS_PROCESSW;

void SwapNeighbours(const Record** slots, DWORD count, const wchar_t* keys)
{
    for (DWORD i = 1; i < count; ++i)
        for (DWORD j = i; j > 0 && CompareServices(keys, &slots[j - 1], &slots[j]) > 0; --j)
            std::swap(slots[j - 1], slots[j]);
}

TEST(ServicesSortEquivalence, EveryKeyGivesTheOrderOfTheNeighbourSwaps)
{
    static const wchar_t* const names[] = {L"Netlogon", L"netlogon", L"NET", L"net_x", L"Spooler", L"a", L"A", L""};
    std::mt19937 random(7);
    std::vector<Record> services(1000);
    for (Record& s : services) {
        s.lpServiceName = const_cast<wchar_t*>(names[random() % 8]);
        s.lpDisplayName = random() % 10 ? const_cast<wchar_t*>(names[random() % 8]) : nullptr;
        s.ServiceStatusProcess.dwProcessId = random() % 3 ? 0 : random() % 5 * 0x40000000u;
        s.ServiceStatusProcess.dwCurrentState = random() % 9;
        s.ServiceStatusProcess.dwServiceType = 1u << (random() % 6);
    }
    for (const wchar_t* keys : {L"N", L"n", L"D", L"d", L"P", L"p", L"S", L"s", L"T", L"t", L"NP", L"dS", L"XN", L""}) {
        std::vector<const Record*> expected, got;
        for (const Record& s : services)
            expected.push_back(&s);
        got = expected;
        SwapNeighbours(expected.data(), DWORD(expected.size()), keys);
        SortServiceSlots(got.data(), DWORD(got.size()), keys);
        EXPECT_EQ(got, expected) << keys;
    }
}

TEST(ServicesSortEquivalence, FoldedKeysGiveThePairwiseOrder)
{
    // Names of every length around the four-character steps of the sort,
    // with shared beginnings, both cases, characters on either side of the
    // folded letters and at the top of the range; missing display names.
    static const wchar_t letters[] = {L'a', L'A', L'b', L'_', L'z', L'Z', L'~', 0xE9, 0x0100, 0x8000, 0xFFFF};
    std::mt19937 random(29);
    constexpr size_t count = 30000;
    std::vector<std::wstring> texts(2 * count);
    std::vector<Record> services(count);
    for (size_t i = 0; i < count; ++i) {
        for (std::wstring* text : {&texts[2 * i], &texts[2 * i + 1]})
            for (size_t length = random() % 14, k = 0; k < length; ++k)
                *text += k < 3 && random() % 4 ? L'n' : letters[random() % std::size(letters)];
        services[i].lpServiceName = texts[2 * i].data();
        services[i].lpDisplayName = random() % 8 ? texts[2 * i + 1].data() : nullptr;
        services[i].ServiceStatusProcess.dwProcessId = random() % 2 ? random() : random() % 3;
        services[i].ServiceStatusProcess.dwCurrentState = random() % 4;
        services[i].ServiceStatusProcess.dwServiceType = random() % 2 ? 0x10 : 0x80000000u;
    }
    for (const wchar_t* keys : {L"N", L"n", L"D", L"d", L"dN", L"NdP", L"SpT", L"tSn", L"XDx", L"PPNDSTpndst"}) {
        std::vector<const Record*> expected, got;
        for (const Record& s : services)
            expected.push_back(&s);
        got = expected;
        std::stable_sort(expected.begin(), expected.end(),
                         [keys](const Record* a, const Record* b) { return CompareServiceKeys(keys, a, b) < 0; });
        SortServiceSlots(got.data(), DWORD(got.size()), keys);
        EXPECT_TRUE(got == expected) << keys;
    }
}

}  // namespace
