// The test service program itself: the services tests of every command rely
// on it starting and stopping the services it is registered for.
#include <gtest/gtest.h>

#include "tests/support/test_service.h"

using vornel::test::TestServices;

// A share-process program dispatches start requests by service name, so
// every name of the group must reach its own service; stopping one leaves
// the others running.
TEST(TestService, ShareProcessServicesStartAndStopByName)
{
    TestServices services({L"VtsShareA", L"VtsShareB", L"VtsShareC"}, true);
    ASSERT_TRUE(services.ok());
    for (const wchar_t* name : {L"VtsShareA", L"VtsShareB", L"VtsShareC"})
        ASSERT_TRUE(services.Start(name));
    ASSERT_TRUE(services.Stop(L"VtsShareB"));
    EXPECT_EQ(services.ProcessId(L"VtsShareB"), 0u);
    for (const wchar_t* name : {L"VtsShareA", L"VtsShareC"}) {
        EXPECT_EQ(services.State(name), (DWORD)SERVICE_RUNNING);
        EXPECT_NE(services.ProcessId(name), 0u);
    }
}

// Own-process services run in processes of their own, start again after a
// stop, and are deleted with the object that registered them.
TEST(TestService, OwnProcessServicesRunInSeparateProcesses)
{
    {
        TestServices services({L"VtsOwnA", L"VtsOwnB"}, false);
        ASSERT_TRUE(services.ok());
        EXPECT_EQ(services.State(L"VtsOwnA"), (DWORD)SERVICE_STOPPED);
        ASSERT_TRUE(services.Start(L"VtsOwnA") && services.Start(L"VtsOwnB"));
        EXPECT_NE(services.ProcessId(L"VtsOwnA"), 0u);
        EXPECT_NE(services.ProcessId(L"VtsOwnB"), 0u);
        EXPECT_NE(services.ProcessId(L"VtsOwnA"), services.ProcessId(L"VtsOwnB"));
        ASSERT_TRUE(services.Stop(L"VtsOwnA"));
        EXPECT_EQ(services.ProcessId(L"VtsOwnA"), 0u);
        ASSERT_TRUE(services.Start(L"VtsOwnA"));
    }
    vornel::unique_sc_handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    ASSERT_TRUE(manager);
    EXPECT_FALSE(vornel::unique_sc_handle(OpenServiceW(manager.get(), L"VtsOwnA", SERVICE_QUERY_STATUS)));
}
