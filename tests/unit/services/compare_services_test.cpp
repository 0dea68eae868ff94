// The order of the services: every key, descending keys, several keys, and
// the tie rule that keeps equal services in the order of their slots.
#include <gtest/gtest.h>

#include "tests/unit/services/slot_order.h"

namespace {

ENUM_SERVICE_STATUS_PROCESSW Record(const wchar_t* name, const wchar_t* display = L"", DWORD pid = 0,
                                    DWORD state = 0, DWORD type = 0)
{
    ENUM_SERVICE_STATUS_PROCESSW record{};
    record.lpServiceName = const_cast<wchar_t*>(name);
    record.lpDisplayName = const_cast<wchar_t*>(display);
    record.ServiceStatusProcess.dwProcessId = pid;
    record.ServiceStatusProcess.dwCurrentState = state;
    record.ServiceStatusProcess.dwServiceType = type;
    return record;
}

// The sign of CompareServices for two records in slots 0 and 1.
int Sign(const wchar_t* keys, const ENUM_SERVICE_STATUS_PROCESSW& a, const ENUM_SERVICE_STATUS_PROCESSW& b)
{
    const ENUM_SERVICE_STATUS_PROCESSW* slots[2] = {&a, &b};
    int result = CompareServices(keys, &slots[0], &slots[1]);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

}  // namespace

TEST(CompareServices, UnsignedNumbersFoldingPrefixesAndLaterKeys)
{
    // Each key on its own is checked through the shell; here what real
    // services do not show.
    const auto same1 = Record(L"Same", L"One", 4, SERVICE_RUNNING, 16);
    const auto same2 = Record(L"same", L"Two", 4, SERVICE_RUNNING, 16);
    const auto net = Record(L"Net"), netlogon = Record(L"netlogon");
    const struct {
        const wchar_t* keys;
        ENUM_SERVICE_STATUS_PROCESSW first, second;
        int sign;
    } cases[] = {
        {L"N", Record(L"alpha"), Record(L"Beta"), -1},  // names without regard to case
        {L"D", Record(L"x", L"Zulu"), Record(L"x", L"yankee"), 1},
        {L"P", Record(L"x", L"x", 0x80000000u), Record(L"x", L"x", 1), 1},  // numbers compare unsigned
        {L"NPSTD", same1, same2, -1},
        {L"NPSTd", same1, same2, 1},
        {L"N", Record(L"a_"), Record(L"aB"), -1},  // only A to Z fold: "_" lies between the cases
        {L"N", net, netlogon, -1},  // a shorter name that is a prefix comes first
        {L"XQ", netlogon, net, -1},  // letters that name no field are equal: the slots decide
    };
    for (const auto& c : cases)
        EXPECT_EQ(Sign(c.keys, c.first, c.second), c.sign) << c.keys << " " << c.first.lpServiceName;
}

TEST(CompareServices, EqualRecordsKeepTheOrderOfTheirSlots)
{
    auto a = Record(L"svc", L"svc", 7, SERVICE_STOPPED, 16);
    auto b = Record(L"SVC", L"SVC", 7, SERVICE_STOPPED, 16);
    EXPECT_EQ(Sign(L"NDPST", a, b), -1);
    EXPECT_EQ(Sign(L"NDPST", b, a), -1);
    EXPECT_EQ(Sign(nullptr, a, b), -1);
    const ENUM_SERVICE_STATUS_PROCESSW* slots[2] = {&a, &b};
    EXPECT_GT(CompareServices(L"NDPST", &slots[1], &slots[0]), 0);
    EXPECT_EQ(CompareServices(L"N", &slots[0], &slots[0]), 0);
}
