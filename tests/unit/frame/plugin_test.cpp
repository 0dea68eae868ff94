// The information record, usage lines, _clver and the version probe.
#include <gtest/gtest.h>

#include <string>

#include "frame/plugin.h"
#include "frame/usage_texts.h"

namespace {

TEST(GetPluginInfo, SameRecordEveryCall)
{
    PluginInfo* first = GetPluginInfo();
    PluginInfo* second = GetPluginInfo();
    ASSERT_EQ(first, second);
    EXPECT_STREQ(first->pszDll, L"Vornel");
    EXPECT_STREQ(first->pszDescription, L"Replaces the ENUMPROCESSES, SERVICES, and TASKLIST commands.");
    EXPECT_STREQ(first->pszFunctions, L"enumprocesses,services,tasklist,@elevated,@pidexename,@pidsvcnames");
    EXPECT_EQ(first->nMajor, 1u);
    EXPECT_EQ(first->nMinor, 0u);
    EXPECT_EQ(first->nBuild, 25u);
    // Nothing after the build number is written.
    EXPECT_EQ(first->hModule, nullptr);
    EXPECT_EQ(first->pszModule, nullptr);
}

TEST(Usage, SyntaxLineOfEachCommand)
{
    wchar_t buffer[1024];
    ASSERT_EQ(Usage(L"TaskList", buffer), 1);
    EXPECT_EQ(std::wstring(buffer).rfind(L"TASKLIST /C /D /E", 0), 0u);
    // The rest of the usage text follows unchanged.
    EXPECT_EQ(std::wstring(buffer), std::wstring(wcsstr(TasklistUsageText, L"TASKLIST /C")));
    ASSERT_EQ(Usage(L"services", buffer), 1);
    EXPECT_EQ(std::wstring(buffer).rfind(L"SERVICES /D /F /FO: /I", 0), 0u);
    ASSERT_EQ(Usage(L"ENUMPROCESSES", buffer), 1);
    EXPECT_EQ(std::wstring(buffer).rfind(L"ENUMPROCESSES /D /FO: /NH /O:", 0), 0u);
}

TEST(Usage, OtherNamesLeaveTheBufferAlone)
{
    wchar_t buffer[1024] = L"untouched";
    for (const wchar_t* name : {L"@elevated", L"_clver", L"dir", L"tasklist.exe"}) {
        EXPECT_EQ(Usage(name, buffer), 0) << name;
        EXPECT_STREQ(buffer, L"untouched");
    }
}

TEST(Clver, VersionText)
{
    wchar_t buffer[1024] = {};
    EXPECT_EQ(_clver(nullptr), -1);
    EXPECT_EQ(_clver(buffer), 0);
    EXPECT_STREQ(buffer, L"1.1.0.1");
}

// Runs in both prefixes: the record holds the version Windows reports, from
// RtlGetVersion on 6 and later, from GetVersionExW below.
TEST(ReadOsVersionOldWindows, RecordMatchesTheSystem)
{
    ASSERT_EQ(ReadOsVersion(), 1);
    EXPECT_EQ(OsVersionInfo.dwOSVersionInfoSize, 284u);
    OSVERSIONINFOW reported = {sizeof reported};
    ASSERT_TRUE(GetVersionExW(&reported));
    EXPECT_EQ(OsVersionInfo.dwMajorVersion, reported.dwMajorVersion);
    EXPECT_EQ(OsIsVistaOrLater(), reported.dwMajorVersion >= 6);
    EXPECT_EQ(ProcessQueryAccess(), reported.dwMajorVersion >= 6 ? 0x1000u : 0x400u);
}

}  // namespace
