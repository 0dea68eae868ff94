// The command as the host calls it: a listing that fails part-way ends with
// result 2 and leaves nothing behind (no console handler, no exception).
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "commands/tasklist/tasklist.h"
#include "console/console.h"
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
    EXPECT_EQ(CtrlHandlerInstalled, 0);
    EXPECT_EQ(CtrlCSeen, 0);
    EXPECT_EQ(tasklist(nullptr), 1);
    EXPECT_EQ(DumpModules(0, 0), 0);  // the idle process has no modules to walk
}

}  // namespace
