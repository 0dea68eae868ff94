// The command leaves no console control handler registered and no Ctrl-C
// mark behind, whichever way it ends, even when a previous command left
// them set.
#include <gtest/gtest.h>

#include "commands/services/services.h"
#include "console/console.h"
#include "frame/owners.h"
#include "tests/support/capture.h"

extern "C" int WINAPI services(const wchar_t* args);

TEST(ServicesCommand, RemovesTheCtrlHandlerOnEveryPath)
{
    const struct {
        const wchar_t* args;
        int result;
    } cases[] = {
        {L"NoSuchVsvService", 0},  // a listing
        {L"/?", 0},                // a help text
        {L"/O:?", 0},              // the sort help text
        {L"/H", 1},                // a rejected switch
        {L"/R", 1},                // a rejected combination
        {L"/O:Z", 1},              // a rejected sort key
    };
    for (const auto& c : cases) {
        vornel::test::Capture capture;
        InstallCtrlHandler();
        CtrlCSeen = 1;
        EXPECT_EQ(services(c.args), c.result) << c.args;
        EXPECT_EQ(CtrlHandlerInstalled, 0) << c.args;
        EXPECT_EQ(CtrlCSeen, 0) << c.args;
    }
    EXPECT_EQ(services(nullptr), 1);
}

// A request without a manager or for a service it does not know: the failure, the system's reason.
TEST(ServicesCommand, RequestsThatCannotBeMade)
{
    vornel::unique_sc_handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    ASSERT_TRUE(manager);
    for (auto request : {StartListedService, StopListedService}) {
        SERVICE_STATUS_PROCESS status{};
        DWORD error = 0;
        EXPECT_EQ(request(nullptr, L"EventLog", &status, &error), -1);
        EXPECT_EQ(request(manager.get(), L"NoSuchVsvService", &status, &error), 1);
        EXPECT_EQ(error, (DWORD)ERROR_SERVICE_DOES_NOT_EXIST);
        EXPECT_EQ(status.dwCurrentState, 0u);
    }
    // An empty highlight list is none: a plain listing of one service.
    ServiceNameNode plugPlay{nullptr, L"PlugPlay"};
    bool failed = true;
    vornel::test::Capture capture;
    EXPECT_EQ(ListServices(&plugPlay, 0, 0, 0, nullptr, L"", &failed), 1);
    EXPECT_FALSE(failed);
    EXPECT_EQ(capture.out(), L"PlugPlay            Plug and Play Service \x2014 Running\r\n");
}
