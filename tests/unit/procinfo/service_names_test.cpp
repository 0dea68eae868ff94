// The service-name list against Wine's own services and services of our
// test service program sharing one process, and the joining of names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/owners.h"
#include "procinfo/procinfo.h"
#include "tests/support/process_runner.h"
#include "tests/support/test_service.h"

using vornel::test::BinPath;
using vornel::test::TestServices;

namespace {

using NameList = vornel::list_owner<ServiceNamesInfo>;

std::vector<std::wstring> Records(const NameList& list)
{
    std::vector<std::wstring> records;
    for (const ServiceNamesInfo* r = list.get(); r; r = r->next)
        records.push_back(std::to_wstring(r->processId) + L":" + r->names);
    return records;
}

bool AnyRecordNames(const NameList& list, const std::wstring& displayName)
{
    for (const std::wstring& record : Records(list)) {
        if (record.find(displayName) != std::wstring::npos)
            return true;
    }
    return false;
}

std::wstring DisplayName(SC_HANDLE manager, const wchar_t* name)
{
    wchar_t display[512] = {};
    DWORD size = 512;
    GetServiceDisplayNameW(manager, name, display, &size);
    return display;
}

TEST(CollectServiceNames, WinesRunningServicesByProcess)
{
    NameList list;
    int count = CollectServiceNames(list.addr());
    ASSERT_GT(count, 0);

    // Wine runs EventLog and PlugPlay, each in a service process.
    vornel::unique_sc_handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    for (const wchar_t* name : {L"EventLog", L"PlugPlay"}) {
        vornel::unique_sc_handle service(OpenServiceW(manager.get(), name, SERVICE_QUERY_STATUS));
        SERVICE_STATUS_PROCESS status{};
        DWORD needed;
        ASSERT_TRUE(QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                         sizeof status, &needed));
        const ServiceNamesInfo* record = FindServiceNames(list.get(), status.dwProcessId);
        ASSERT_NE(record, nullptr) << name;
        EXPECT_NE((L"; " + std::wstring(record->names) + L"; ").find(L"; " + DisplayName(manager.get(), name) + L"; "),
                  std::wstring::npos);
    }
    // One record per process, and the names add up to the count.
    int counted = 0;
    for (const ServiceNamesInfo* r = list.get(); r; r = r->next) {
        EXPECT_NE(r->processId, 0u);
        EXPECT_EQ(FindServiceNames(list.get(), r->processId), r);
        std::wstring names = r->names;
        DWORD separators = 0;
        for (size_t at = names.find(L"; "); at != std::wstring::npos; at = names.find(L"; ", at + 2))
            ++separators;
        EXPECT_EQ(r->nameCount, separators + 1) << names.c_str();
        counted += r->nameCount;
    }
    EXPECT_EQ(counted, count);
    // Drivers are in no record, running or not.
    std::wstring mountManager = DisplayName(manager.get(), L"MountMgr");
    ASSERT_FALSE(mountManager.empty());
    EXPECT_FALSE(AnyRecordNames(list, mountManager));

    // A second call replaces the list.
    std::vector<std::wstring> before = Records(list);
    EXPECT_EQ(CollectServiceNames(list.addr()), count);
    EXPECT_EQ(Records(list), before);
    EXPECT_EQ(CollectServiceNames(nullptr), 0);
}

TEST(CollectServiceNames, SharedHostGetsOneRecord)
{
    if (GetFileAttributesW(BinPath(L"vornel_testservice.exe").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "vornel_testservice.exe is not built";
    TestServices services({L"PiSharedA", L"PiSharedB", L"PiSharedC", L"PiSharedIdle"}, true);
    ASSERT_TRUE(services.ok());
    for (const wchar_t* name : {L"PiSharedA", L"PiSharedB", L"PiSharedC"})
        ASSERT_TRUE(services.Start(name)) << name;
    DWORD host = services.ProcessId(L"PiSharedA");
    ASSERT_NE(host, 0u);
    if (services.ProcessId(L"PiSharedB") != host || services.ProcessId(L"PiSharedC") != host)
        GTEST_SKIP() << "this Wine starts each share-process service in a process of its own";

    NameList list;
    CollectServiceNames(list.addr());
    const ServiceNamesInfo* record = FindServiceNames(list.get(), host);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->nameCount, 3u);
    EXPECT_STREQ(record->names, L"Vornel Test PiSharedA; Vornel Test PiSharedB; Vornel Test PiSharedC");
    // A registered service that is not running is in no record.
    EXPECT_FALSE(AnyRecordNames(list, L"Vornel Test PiSharedIdle"));

    // Once stopped, a service leaves its host's record.
    ASSERT_TRUE(services.Stop(L"PiSharedB"));
    CollectServiceNames(list.addr());
    record = FindServiceNames(list.get(), host);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->names, L"Vornel Test PiSharedA; Vornel Test PiSharedC");
}

// Joining, on names as the enumeration hands them over.
TEST(AddServiceName, OneRecordPerProcessInTheOrderMet)
{
    NameList list;
    const struct {
        DWORD pid;
        const wchar_t* name;
        int added;
    } calls[] = {{10, L"Alpha", 1}, {20, L"Other", 1}, {10, L"Beta", 1}, {0, L"Stopped", 0},
                 {10, L"", 0},      {10, nullptr, 0},  {10, L"Gamma", 1}};
    for (const auto& c : calls)
        EXPECT_EQ(AddServiceName(list.addr(), c.pid, c.name), c.added) << c.pid << " " << (c.name ? c.name : L"-");
    EXPECT_EQ(AddServiceName(nullptr, 10, L"Gamma"), 0);
    EXPECT_EQ(Records(list), (std::vector<std::wstring>{L"10:Alpha; Beta; Gamma", L"20:Other"}));
    EXPECT_EQ(list.get()->nameCount, 3u);
    EXPECT_EQ(list.get()->next->nameCount, 1u);
    EXPECT_EQ(FindServiceNames(list.get(), 0), nullptr);
}

TEST(AddServiceName, NamesThatDoNotFitWholeAreLeftOut)
{
    // Four names of 250 characters joined take 1006 characters; a fifth
    // would pass the 1023 a record holds, a shorter one after it still fits.
    NameList list;
    std::wstring expected;
    for (wchar_t letter : {L'A', L'B', L'C', L'D'}) {
        std::wstring name(250, letter);
        EXPECT_EQ(AddServiceName(list.addr(), 7, name.c_str()), 1);
        expected += (expected.empty() ? L"" : L"; ") + name;
    }
    EXPECT_EQ(AddServiceName(list.addr(), 7, std::wstring(250, L'E').c_str()), 0);
    // 1006 + 2 + 16 would leave no room for the terminator; 15 just fits.
    EXPECT_EQ(AddServiceName(list.addr(), 7, std::wstring(16, L'F').c_str()), 0);
    EXPECT_EQ(AddServiceName(list.addr(), 7, std::wstring(15, L'G').c_str()), 1);
    EXPECT_EQ(std::wstring(list.get()->names), expected + L"; " + std::wstring(15, L'G'));
    EXPECT_EQ(list.get()->nameCount, 5u);
    EXPECT_EQ(AddServiceName(list.addr(), 7, L"x"), 0);

    // A display name of a whole record's size starts no record.
    EXPECT_EQ(AddServiceName(list.addr(), 8, std::wstring(1024, L'H').c_str()), 0);
    EXPECT_EQ(AddServiceName(list.addr(), 8, std::wstring(1023, L'H').c_str()), 1);
    EXPECT_EQ(wcslen(FindServiceNames(list.get(), 8)->names), 1023u);
}

}  // namespace
