// Command lines at the edges of what the commands take: a split that
// overflows rejects the line in every command, the all-ones process ID is an
// ID like any other, and a path far longer than the system's long-name
// lookup survives is still just a name that no process has.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/process_runner.h"

using namespace vornel::test;

namespace {

TEST(EdgeInput, OverflowingSplitRejectsTheLine)
{
    // 40 run-together switches: each "/" costs a terminator, so 8,160
    // characters need more than the 8,191 the split has, in a line short
    // enough for the shell to take.
    std::wstring word;
    for (int i = 0; i < 40; ++i)
        word += L"/" + std::wstring(203, L'Q');
    for (const wchar_t* command : {L"tasklist ", L"services ", L"enumprocesses "}) {
        RunResult r = RunOrsh(command + word);
        EXPECT_EQ(r.out, "") << Narrow(command);
        EXPECT_EQ(r.err, "Vornel plugin: Buffer overflow: b = 8191, MAX_ARG_LEN = 8192 \r\n") << Narrow(command);
        EXPECT_EQ(r.exitCode, 1u) << Narrow(command);
    }
}

TEST(EdgeInput, AllOnesProcessIdSelectsNothing)
{
    for (const wchar_t* args : {L"=4294967295", L"=0xFFFFFFFF", L"/R =4294967295", L"/R =0xffffffff"}) {
        RunResult r = RunOrsh(std::wstring(L"tasklist ") + args);
        EXPECT_EQ(r.out, "\r\n   Found 0 processes.\r\n") << Narrow(args);
        EXPECT_EQ(r.exitCode, 0u) << Narrow(args);
    }
}

TEST(EdgeInput, VeryLongPathIsANameNoProcessHas)
{
    for (size_t length : {1100u, 8000u}) {
        const std::string path = "Z:\\" + std::string(length, 'A');
        RunResult r = RunOrsh(Widen("enumprocesses " + path));
        EXPECT_EQ(r.out, "") << length;
        EXPECT_EQ(r.err, "Vornel plugin: Bad PID: \"" + path + "\"\r\n") << length;
        EXPECT_EQ(r.exitCode, 1u) << length;
    }
}

}  // namespace
