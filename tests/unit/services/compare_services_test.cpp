// The order of the services: every key, descending keys, several keys, and
// the tie rule that keeps equal services in the order of their slots.
#include <gtest/gtest.h>

#include <vector>

#include "commands/services/services.h"

namespace {

ENUM_SERVICE_STATUS_PROCESSW Record(const wchar_t* name, const wchar_t* display, DWORD pid, DWORD state, DWORD type)
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

TEST(CompareServices, OrdersByEachKey)
{
    auto a = Record(L"alpha", L"Zulu", 900, SERVICE_RUNNING, SERVICE_WIN32_SHARE_PROCESS);
    auto b = Record(L"Beta", L"yankee", 0, SERVICE_STOPPED, SERVICE_WIN32_OWN_PROCESS);
    EXPECT_EQ(Sign(L"N", a, b), -1);  // names without regard to case
    EXPECT_EQ(Sign(L"D", a, b), 1);   // display names without regard to case
    EXPECT_EQ(Sign(L"P", a, b), 1);
    EXPECT_EQ(Sign(L"S", a, b), 1);
    EXPECT_EQ(Sign(L"T", a, b), 1);
    // Lower-case keys reverse.
    EXPECT_EQ(Sign(L"n", a, b), 1);
    EXPECT_EQ(Sign(L"p", a, b), -1);
    // Numbers compare unsigned.
    auto high = Record(L"x", L"x", 0x80000000u, 0, 0);
    auto low = Record(L"x", L"x", 1, 0, 0);
    EXPECT_EQ(Sign(L"P", high, low), 1);
}

TEST(CompareServices, LaterKeysDecideTiesAndUnknownKeysAreEqual)
{
    auto a = Record(L"Same", L"One", 4, SERVICE_RUNNING, 16);
    auto b = Record(L"same", L"Two", 4, SERVICE_RUNNING, 16);
    EXPECT_EQ(Sign(L"NPSTD", a, b), -1);
    EXPECT_EQ(Sign(L"NPSTd", a, b), 1);
    // Only A to Z fold: "_" (0x5F) lies between the upper and lower letters.
    auto under = Record(L"a_", L"", 0, 0, 0);
    auto upper = Record(L"aB", L"", 0, 0, 0);
    EXPECT_EQ(Sign(L"N", under, upper), -1);
    // A shorter name that is a prefix comes first.
    auto shorter = Record(L"Net", L"", 0, 0, 0);
    auto longer = Record(L"netlogon", L"", 0, 0, 0);
    EXPECT_EQ(Sign(L"N", shorter, longer), -1);
    // Letters that name no field compare equal: the slots decide.
    EXPECT_EQ(Sign(L"XQ", longer, shorter), -1);
}

TEST(CompareServices, EqualRecordsKeepTheOrderOfTheirSlots)
{
    auto a = Record(L"svc", L"svc", 7, SERVICE_STOPPED, 16);
    auto b = Record(L"SVC", L"SVC", 7, SERVICE_STOPPED, 16);
    const ENUM_SERVICE_STATUS_PROCESSW* slots[2] = {&a, &b};
    EXPECT_LT(CompareServices(L"NDPST", &slots[0], &slots[1]), 0);
    EXPECT_GT(CompareServices(L"NDPST", &slots[1], &slots[0]), 0);
    EXPECT_LT(CompareServices(nullptr, &slots[0], &slots[1]), 0);
    EXPECT_EQ(CompareServices(L"N", &slots[0], &slots[0]), 0);
}
