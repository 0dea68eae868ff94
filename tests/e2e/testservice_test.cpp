// The test service program itself: the services tests of every command rely
// on it starting and stopping the services it is registered for.
#include <gtest/gtest.h>

#include "tests/support/test_service.h"

using vornel::test::TestServices;

// A share-process program dispatches start requests by service name, so
// every name of the group must reach its own service.
TEST(TestService, ShareProcessServicesStartAndStopByName)
{
    TestServices services({L"VtsShareA", L"VtsShareB", L"VtsShareC"}, true);
    ASSERT_TRUE(services.ok());
    ASSERT_TRUE(services.Start(L"VtsShareA"));
    ASSERT_TRUE(services.Start(L"VtsShareB"));
    ASSERT_TRUE(services.Start(L"VtsShareC"));
    EXPECT_NE(services.ProcessId(L"VtsShareA"), 0u);
    EXPECT_NE(services.ProcessId(L"VtsShareC"), 0u);

    // Stopping one leaves the others running.
    ASSERT_TRUE(services.Stop(L"VtsShareB"));
    EXPECT_EQ(services.State(L"VtsShareB"), (DWORD)SERVICE_STOPPED);
    EXPECT_EQ(services.ProcessId(L"VtsShareB"), 0u);
    EXPECT_EQ(services.State(L"VtsShareA"), (DWORD)SERVICE_RUNNING);
    EXPECT_EQ(services.State(L"VtsShareC"), (DWORD)SERVICE_RUNNING);
}

TEST(TestService, OwnProcessServicesRunInSeparateProcesses)
{
    TestServices services({L"VtsOwnA", L"VtsOwnB"}, false);
    ASSERT_TRUE(services.ok());
    EXPECT_EQ(services.State(L"VtsOwnA"), (DWORD)SERVICE_STOPPED);
    ASSERT_TRUE(services.Start(L"VtsOwnA"));
    ASSERT_TRUE(services.Start(L"VtsOwnB"));
    EXPECT_NE(services.ProcessId(L"VtsOwnA"), 0u);
    EXPECT_NE(services.ProcessId(L"VtsOwnB"), 0u);
    EXPECT_NE(services.ProcessId(L"VtsOwnA"), services.ProcessId(L"VtsOwnB"));
    ASSERT_TRUE(services.Stop(L"VtsOwnA"));
    EXPECT_EQ(services.ProcessId(L"VtsOwnA"), 0u);
    // Started again after a stop.
    ASSERT_TRUE(services.Start(L"VtsOwnA"));
    EXPECT_EQ(services.State(L"VtsOwnA"), (DWORD)SERVICE_RUNNING);
}

// Destruction removes the registrations.
TEST(TestService, ServicesAreDeletedAfterTheTest)
{
    {
        TestServices services({L"VtsGone"}, false);
        ASSERT_TRUE(services.ok());
        ASSERT_TRUE(services.Start(L"VtsGone"));
    }
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service = OpenServiceW(manager, L"VtsGone", SERVICE_QUERY_STATUS);
    EXPECT_EQ(service, nullptr);
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
}
