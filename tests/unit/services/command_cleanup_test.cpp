// The command leaves no console control handler registered and no Ctrl-C
// mark behind, whichever way it ends, even when a previous command left
// them set.
#include <gtest/gtest.h>

#include "console/console.h"
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
