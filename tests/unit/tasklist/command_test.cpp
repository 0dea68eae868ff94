// The command as the host calls it: a listing that fails part-way ends with
// result 2 and leaves nothing behind (no console handler, no exception).
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "commands/tasklist/tasklist.h"
#include "console/console.h"
#include "frame/owners.h"
#include "frame/plugin.h"
#include "tests/support/capture.h"

namespace {

TEST(TasklistCommand, FailureInTheModuleWalkEndsTheCommand)
{
    auto writer = ModuleLineWriter;
    ModuleLineWriter = [](const MODULEENTRY32W&, DWORD) -> int { throw std::bad_alloc(); };
    vornel::test::Capture capture;
    int result = tasklist(L"/D .");
    ModuleLineWriter = writer;

    EXPECT_EQ(result, 2);
    // The process line came out; no module line and no footer followed.
    wchar_t line[64];
    wsprintfW(line, L"%5u* unit_tests      \r\n", GetCurrentProcessId());
    EXPECT_EQ(capture.out(), line);
    EXPECT_EQ(capture.err(), L"Vornel plugin: Out of memory\r\n");
    EXPECT_EQ(CtrlHandlerInstalled, 0);
    EXPECT_EQ(CtrlCSeen, 0);
    EXPECT_EQ(tasklist(nullptr), 1);
    EXPECT_EQ(DumpModules(0, 0), 0);  // the idle process has no modules to walk
}

// The listing takes its processes and threads from the system's list of
// every process; without one, from a snapshot: the same lines, thread
// lines, trees and footer. A process or thread that starts or ends between
// the two listings changes them, so each pair is taken again, a few times
// at most; the thread row asks no service names, which would start threads
// in the service manager.
TEST(TasklistCommand, TheSystemsListAndTheSnapshotListAlike)
{
    auto saved = NtQuerySystemInformationFn;
    vornel::scope_exit restore([saved] { NtQuerySystemInformationFn = saved; });
    for (const wchar_t* line : {L"/Z", L"/R /Z", L"/E /O:-N", L"/H /N:S /O:-P"}) {
        auto listing = [line, saved](bool list) {
            NtQuerySystemInformationFn = list ? saved : nullptr;
            vornel::test::Capture capture;
            EXPECT_EQ(tasklist(line), 0);
            return capture.out();
        };
        std::wstring fromList, fromSnapshot;
        for (int attempt = 0; attempt < 3 && (fromList.empty() || fromList != fromSnapshot); ++attempt)
            fromList = listing(true), fromSnapshot = listing(false);
        EXPECT_EQ(fromList, fromSnapshot) << line;
        EXPECT_NE(fromList.find(L"unit_tests"), std::wstring::npos);
    }
}

}  // namespace
