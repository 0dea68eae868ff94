// A live 32-bit process through the shell: the 32-bit build of the test
// helper, started by the 64-bit one. It needs Wine's 32-bit half and a prefix
// made with it; ./run-tests installs both and sets VORNEL_WOW64=required, so
// there a missing part fails the test instead of skipping it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/process_runner.h"

using namespace vornel::test;

namespace {

constexpr char Elevated[] = "\xE2\x86\x91";  // Wine's tokens are elevated
constexpr char Wow[] = "\xC2\xBB";
constexpr char Corner[] = "\xE2\x94\x94\xE2\x94\x80";

std::string Dec(DWORD value)
{
    char text[16];
    snprintf(text, sizeof text, "%5u", (unsigned)value);
    return text;
}

// A text after the name column as a pipe gets it: the line is 120 columns,
// and a longer text is cut to end in "..." (the build directory decides).
std::string Trailing(const std::string& before, const std::string& text)
{
    size_t room = 120 - 3 - before.size();
    return "  " + (text.size() > room ? text.substr(0, room - 3) + "..." : text);
}

bool Required()
{
    char mode[16];
    DWORD n = GetEnvironmentVariableA("VORNEL_WOW64", mode, sizeof mode);
    return n > 0 && n < sizeof mode && strcmp(mode, "required") == 0;
}

TEST(Wow64, ThirtyTwoBitChildOfASixtyFourBitParent)
{
    const std::wstring exe = BinPath(L"vornel_testhelper32.exe");
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (Required())
            FAIL() << "vornel_testhelper32.exe was not built (no i686-w64-mingw32-g++-posix at configure time)";
        GTEST_SKIP() << "no 32-bit test helper: the i686 compiler is not installed";
    }
    Helper parent(L"--children 1 --child-exe \"" + exe + L"\"");
    ASSERT_TRUE(parent.ready());
    ASSERT_EQ(parent.children().size(), 1u)
        << "the 32-bit helper did not start: the Wine prefix lacks 32-bit support (syswow64)";
    const DWORD p = parent.pid(), c = parent.children()[0];
    const std::wstring pid = std::to_wstring(p), child = std::to_wstring(c);
    const std::string path = Narrow(exe), name = "vornel_testhelper32";
    const std::string start = Dec(c) + "  " + name;
    const std::string commandLine =
        "\"" + path + "\" --tag child1 --signal VornelHelper-" + std::to_string(p) + "-0";

    const struct {
        std::wstring line;
        std::string out;
        bool anyCase = false;  // image paths, as elsewhere
    } cases[] = {
        // The mark for the 32-bit process only.
        {L"tasklist /E /N:F =" + pid, Dec(p) + "  " + Elevated + "  vornel_testhelper\r\n"},
        {L"tasklist /E /N:F =" + child, Dec(c) + "  " + Elevated + Wow + " " + name + "\r\n"},
        // Read from the 32-bit process's own environment block.
        {L"tasklist /L /N:F =" + child, start + Trailing(start, commandLine) + "\r\n"},
        {L"tasklist /F /N:F =" + child, start + Trailing(start, path) + "\r\n", true},
        {L"tasklist /R /E /N:F =" + pid, Dec(p) + "  " + Elevated + "  vornel_testhelper\r\n  " + Corner + Dec(c) +
                                             "  " + Elevated + Wow + " " + name + "\r\n"},
        // Wine 8 gives a 64-bit caller no module of a 32-bit process, even
        // with TH32CS_SNAPMODULE32: only the process line.
        {L"tasklist /D /N:F =" + child, start + "\r\n"},
        {L"echo %@pidexename[" + child + L"]", path + "\r\n", true},
        {L"enumprocesses \"" + exe + L"\"", "\r\n" + std::to_string(c) + "  " + name + ".exe\r\n"},
    };
    for (const auto& row : cases) {
        RunResult r = RunOrsh(row.line);
        if (row.anyCase)
            EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, r.out.c_str(), -1, row.out.c_str(), -1),
                      CSTR_EQUAL)
                << Narrow(row.line) << "\n" << r.out;
        else
            EXPECT_EQ(r.out, row.out) << Narrow(row.line);
        EXPECT_EQ(r.err, "") << Narrow(row.line);
        EXPECT_EQ(r.exitCode, 0u) << Narrow(row.line);
    }
}

}  // namespace
