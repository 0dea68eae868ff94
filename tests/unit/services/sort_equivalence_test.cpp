// The order of a large random service list against the plain insertion it
// replaces, which swaps neighbours in place under the slot tie rule.
#include <gtest/gtest.h>

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

}  // namespace
