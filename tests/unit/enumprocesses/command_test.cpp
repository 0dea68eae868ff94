// The ENUMPROCESSES export called in this process: results, and the console
// control handler removed on every path that installed it (the texts are
// checked through the shell).
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "commands/enumprocesses/enumprocesses.h"
#include "console/console.h"
#include "procinfo/procinfo.h"
#include "tests/support/capture.h"

namespace {

TEST(EnumprocessesCommand, ResultsAndHandlerRemoval)
{
    vornel::test::Capture capture;
    const std::wstring self = std::to_wstring(GetCurrentProcessId());
    // This process's own tree, an ID that is missing beside it, a rejected
    // command line (which never installs the handler).
    for (auto [args, result] : {std::pair{self, 0}, std::pair{L"99999 /x " + self, 2}, std::pair{std::wstring(L"/Z"), 1}}) {
        EXPECT_EQ(enumprocesses(args.c_str()), result) << args;
        EXPECT_EQ(CtrlHandlerInstalled, 0) << args;
    }
    EXPECT_EQ(capture.out().substr(0, 2 + self.size() + 2), L"\r\n" + self + L"  ");
    EXPECT_EQ(enumprocesses(nullptr), 1);

    // A failure while the records are read: the command ends with result 2
    // and says why; nothing reaches the host.
    const struct {
        int (*younger)(DWORD, DWORD);
        const wchar_t* message;
    } failures[] = {
        {[](DWORD, DWORD) -> int { throw std::bad_alloc(); }, L"Vornel plugin: Out of memory\r\n"},
        {[](DWORD, DWORD) -> int { throw 0; }, L"Vornel plugin: Unexpected failure\r\n"},
    };
    auto younger = ParentIsYounger;
    for (const auto& failure : failures) {
        vornel::test::Capture refused;
        ParentIsYounger = failure.younger;
        int result = enumprocesses(self.c_str());
        ParentIsYounger = younger;
        EXPECT_EQ(result, 2);
        EXPECT_EQ(refused.err(), failure.message);
        EXPECT_EQ(CtrlHandlerInstalled, 0);
    }
}

}  // namespace
