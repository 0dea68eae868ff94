// @ELEVATED, @PIDEXENAME and @PIDSVCNAMES inside shell lines: the answers
// for real processes and services, and the rejected arguments. A failed
// function keeps the shell from running the line: nothing on standard
// output and exit code 1.
#include <gtest/gtest.h>

#include <string>

#include "frame/owners.h"
#include "tests/support/process_gone.h"
#include "tests/support/process_runner.h"
#include "tests/support/test_service.h"

using namespace vornel::test;

namespace {

std::wstring Hex(DWORD value)
{
    wchar_t text[16];
    wsprintfW(text, L"0x%X", value);
    return text;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

// Runs `line`; without a message it must succeed with `out` (compared
// without regard to case when `anyCase`), with one it must fail.
void Expect(const std::wstring& line, const std::string& out, const std::string& message = "", bool anyCase = false)
{
    RunResult r = RunOrsh(line);
    EXPECT_EQ(anyCase ? Lower(r.out) : r.out, anyCase ? Lower(out) : out) << Narrow(line);
    EXPECT_EQ(r.err, message.empty() ? "" : "Vornel plugin: " + message + "\r\n") << Narrow(line);
    EXPECT_EQ(r.exitCode, message.empty() ? 0u : 1u) << Narrow(line);
}

TEST(VariableFunctions, LiveAndEndedProcesses)
{
    // Wine's tokens are elevated.
    for (const wchar_t* own : {L".", L"", L" . "})
        Expect(L"echo %@elevated[" + std::wstring(own) + L"]", "1\r\n");
    Expect(L"echo [%@elevated[0]] [%@pidexename[0]]", "[-1] []\r\n");
    Expect(L"echo %@pidexename[.]", Narrow(BinPath(L"orsh.exe")) + "\r\n", "", true);

    Helper helper(L"--tag varfuncs");
    ASSERT_TRUE(helper.ready());
    std::wstring pid = std::to_wstring(helper.pid());
    Expect(L"echo %@elevated[" + pid + L"] %@elevated[" + Hex(helper.pid()) + L"]", "1 1\r\n");
    for (const std::wstring& argument : {pid, L" \"" + pid + L"\" ", L"\"" + Hex(helper.pid()) + L"\""})
        Expect(L"echo %@pidexename[" + argument + L"]", Narrow(BinPath(L"vornel_testhelper.exe")) + "\r\n", "", true);
    helper.Kill();
    ASSERT_TRUE(WaitUntilProcessGone(helper.pid()));
    Expect(L"echo %@elevated[" + pid + L"] [%@pidexename[" + pid + L"]]", "-1 []\r\n");
}

TEST(VariableFunctions, RejectedArguments)
{
    const std::pair<const wchar_t*, const char*> cases[] = {
        {L"elevated[12abc]", "Bad PID: \"12ABC\""},
        {L"elevated[\"812\"]", "Bad PID: \"\"812\"\""},
        {L"elevated[ 0x1g ]", "Bad PID: \"0X1G\""},
        {L"elevated[1 2]", "Bad PID: \"1 2\""},
        {L"pidexename[]", "Missing PID"},
        {L"pidexename[  ]", "Missing PID"},
        {L"pidexename[\"\"]", "Missing PID"},
        {L"pidexename[\"\"12\"\"]", "Bad PID: \"\"12\"\""},
        {L"pidsvcnames[]", "Missing PID"},
        {L"pidsvcnames[\"12\"]", "Bad PID: \"\"12\"\""},
    };
    for (const auto& [call, message] : cases)
        Expect(L"echo %@" + std::wstring(call), "", message);
    // Full-width digits of a live ID (this program's) are no ID.
    const std::wstring own = FullWidthDigits(GetCurrentProcessId());
    Expect(L"echo %@elevated[" + own + L"]", "", "Bad PID: \"" + Narrow(own) + "\"");
}

TEST(VariableFunctions, ServiceNamesOfWineAndTestServiceProcesses)
{
    vornel::unique_sc_handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    vornel::unique_sc_handle plugPlay(OpenServiceW(manager.get(), L"PlugPlay", SERVICE_QUERY_STATUS));
    SERVICE_STATUS_PROCESS status{};
    DWORD needed;
    ASSERT_TRUE(plugPlay && QueryServiceStatusEx(plugPlay.get(), SC_STATUS_PROCESS_INFO,
                                                 reinterpret_cast<BYTE*>(&status), sizeof status, &needed));
    ASSERT_NE(status.dwProcessId, 0u);
    Expect(L"echo %@pidsvcnames[" + std::to_wstring(status.dwProcessId) + L"]", "Plug and Play Service\r\n");
    // Neither process 0 nor the shell hosts a service.
    Expect(L"echo [%@pidsvcnames[0]][%@pidsvcnames[.]]", "[][]\r\n");

    TestServices services({L"VfSvcOwn"}, false);
    ASSERT_TRUE(services.ok());
    ASSERT_TRUE(services.Start(L"VfSvcOwn"));
    std::wstring host = std::to_wstring(services.ProcessId(L"VfSvcOwn"));
    ASSERT_NE(host, L"0");
    Expect(L"echo %@pidsvcnames[ " + host + L" ]", "Vornel Test VfSvcOwn\r\n");
    ASSERT_TRUE(services.Stop(L"VfSvcOwn"));
    Expect(L"echo [%@pidsvcnames[" + host + L"]]", "[]\r\n");
}

// Where Windows reports 5.1 there is no elevation to ask about.
TEST(VariableFunctionsOldWindows, ElevationCannotBeTold)
{
    OSVERSIONINFOW version{sizeof version};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&version);
#pragma GCC diagnostic pop
    if (version.dwMajorVersion >= 6)
        GTEST_SKIP() << "runs where Windows reports a version below 6";
    Expect(L"echo %@elevated[.]", "-1\r\n");
    Expect(L"echo %@pidexename[.]", Narrow(BinPath(L"orsh.exe")) + "\r\n", "", true);
}

}  // namespace
