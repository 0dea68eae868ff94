// The ENUMPROCESSES export called in this process: results, and the console
// control handler removed on every path that installed it.
#include <gtest/gtest.h>

#include <string>

#include "commands/enumprocesses/enumprocesses.h"
#include "console/console.h"
#include "tests/support/capture.h"

using vornel::test::Capture;

namespace {

TEST(EnumprocessesCommand, ResultsAndHandlerRemoval)
{
    Capture capture;
    EXPECT_EQ(enumprocesses(nullptr), 1);

    // This process's own tree, then an ID that is missing beside it.
    const std::wstring self = std::to_wstring(GetCurrentProcessId());
    EXPECT_EQ(enumprocesses(self.c_str()), 0);
    EXPECT_EQ(capture.out().substr(0, 2 + self.size() + 2), L"\r\n" + self + L"  ");
    EXPECT_EQ(CtrlHandlerInstalled, 0);

    capture.clear();
    EXPECT_EQ(enumprocesses((L"99999 /x " + self).c_str()), 2);
    EXPECT_EQ(capture.err(), L"Vornel plugin: Process ID not found: 99999\r\n");
    EXPECT_EQ(CtrlHandlerInstalled, 0);

    // A rejected command line never installs it.
    capture.clear();
    EXPECT_EQ(enumprocesses(L"/Z"), 1);
    EXPECT_EQ(capture.err(), L"Vornel plugin: Unknown option: \"/Z\"\r\n");
    EXPECT_EQ(capture.out(), L"");
    EXPECT_EQ(CtrlHandlerInstalled, 0);
}

}  // namespace
