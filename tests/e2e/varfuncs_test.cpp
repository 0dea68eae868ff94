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

void ExpectLine(const std::wstring& line, const std::string& out)
{
    RunResult r = RunOrsh(line);
    EXPECT_EQ(r.out, out) << Narrow(line);
    EXPECT_EQ(r.err, "") << Narrow(line);
    EXPECT_EQ(r.exitCode, 0u) << Narrow(line);
}

void ExpectRejected(const std::wstring& line, const std::string& message)
{
    RunResult r = RunOrsh(line);
    EXPECT_EQ(r.out, "") << Narrow(line);
    EXPECT_EQ(r.err, "Vornel plugin: " + message + "\r\n") << Narrow(line);
    EXPECT_EQ(r.exitCode, 1u) << Narrow(line);
}

DWORD RunningServiceProcess(const wchar_t* name)
{
    vornel::unique_sc_handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    vornel::unique_sc_handle service(OpenServiceW(manager.get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS_PROCESS status{};
    DWORD needed;
    if (service)
        QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                             &needed);
    return status.dwProcessId;
}

TEST(ElevatedFunction, ShellOwnProcessAndOthers)
{
    // Wine's tokens are elevated.
    ExpectLine(L"echo %@elevated[.]", "1\r\n");
    ExpectLine(L"echo %@elevated[]", "1\r\n");
    ExpectLine(L"echo %@elevated[ . ]", "1\r\n");
    ExpectLine(L"echo [%@elevated[0]]", "[-1]\r\n");

    Helper helper(L"--tag elevated");
    ASSERT_TRUE(helper.ready());
    std::wstring pid = std::to_wstring(helper.pid());
    ExpectLine(L"echo %@elevated[" + pid + L"] %@elevated[" + Hex(helper.pid()) + L"]", "1 1\r\n");
    helper.Kill();
    ASSERT_TRUE(WaitUntilProcessGone(helper.pid()));
    ExpectLine(L"echo %@elevated[" + pid + L"]", "-1\r\n");
}

TEST(ElevatedFunction, RejectedIds)
{
    ExpectRejected(L"echo %@elevated[12abc]", "Bad PID: \"12ABC\"");
    ExpectRejected(L"echo %@elevated[\"812\"]", "Bad PID: \"\"812\"\"");
    ExpectRejected(L"echo %@elevated[-1]", "Bad PID: \"-1\"");
    ExpectRejected(L"echo %@elevated[4294967296]", "Bad PID: \"4294967296\"");
    ExpectRejected(L"echo %@elevated[0x]", "Bad PID: \"0X\"");
    ExpectRejected(L"echo %@elevated[ 0x1g ]", "Bad PID: \"0X1G\"");
    ExpectRejected(L"echo %@elevated[1 2]", "Bad PID: \"1 2\"");
}

TEST(PidExeNameFunction, ImagePaths)
{
    RunResult own = RunOrsh(L"echo %@pidexename[.]");
    EXPECT_EQ(Lower(own.out), Lower(Narrow(BinPath(L"orsh.exe")) + "\r\n"));
    EXPECT_EQ(own.exitCode, 0u);

    Helper helper(L"--tag exename");
    ASSERT_TRUE(helper.ready());
    std::string helperLine = Lower(Narrow(BinPath(L"vornel_testhelper.exe")) + "\r\n");
    std::wstring pid = std::to_wstring(helper.pid());
    for (const std::wstring& argument : {pid, L" \"" + pid + L"\" ", L"\"" + Hex(helper.pid()) + L"\""}) {
        RunResult r = RunOrsh(L"echo %@pidexename[" + argument + L"]");
        EXPECT_EQ(Lower(r.out), helperLine) << Narrow(argument);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.exitCode, 0u);
    }
    helper.Kill();
    ASSERT_TRUE(WaitUntilProcessGone(helper.pid()));
    ExpectLine(L"echo [%@pidexename[" + pid + L"]]", "[]\r\n");
    ExpectLine(L"echo [%@pidexename[0]]", "[]\r\n");
}

TEST(PidExeNameFunction, RejectedIds)
{
    ExpectRejected(L"echo %@pidexename[]", "Missing PID");
    ExpectRejected(L"echo %@pidexename[  ]", "Missing PID");
    ExpectRejected(L"echo %@pidexename[\"\"]", "Missing PID");
    ExpectRejected(L"echo %@pidexename[12abc]", "Bad PID: \"12ABC\"");
    ExpectRejected(L"echo %@pidexename[\"\"12\"\"]", "Bad PID: \"\"12\"\"");
}

TEST(PidSvcNamesFunction, WinesServiceProcesses)
{
    DWORD plugPlay = RunningServiceProcess(L"PlugPlay");
    ASSERT_NE(plugPlay, 0u);
    ExpectLine(L"echo %@pidsvcnames[" + std::to_wstring(plugPlay) + L"]", "Plug and Play Service\r\n");
    ExpectLine(L"echo [%@pidsvcnames[0]]", "[]\r\n");
    ExpectLine(L"echo [%@pidsvcnames[.]]", "[]\r\n");  // the shell hosts no service
    ExpectRejected(L"echo %@pidsvcnames[]", "Missing PID");
    ExpectRejected(L"echo %@pidsvcnames[\"" + std::to_wstring(plugPlay) + L"\"]",
                   "Bad PID: \"\"" + std::to_string(plugPlay) + "\"\"");
    ExpectRejected(L"echo %@pidsvcnames[12abc]", "Bad PID: \"12ABC\"");
}

TEST(PidSvcNamesFunction, SharedTestServiceHost)
{
    if (GetFileAttributesW(BinPath(L"vornel_testservice.exe").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "vornel_testservice.exe is not built";
    TestServices services({L"VfSvcA", L"VfSvcB", L"VfSvcC"}, true);
    ASSERT_TRUE(services.ok());
    for (const wchar_t* name : {L"VfSvcA", L"VfSvcB", L"VfSvcC"})
        ASSERT_TRUE(services.Start(name)) << Narrow(name);
    DWORD host = services.ProcessId(L"VfSvcA");
    ASSERT_NE(host, 0u);
    if (services.ProcessId(L"VfSvcB") != host || services.ProcessId(L"VfSvcC") != host)
        GTEST_SKIP() << "this Wine starts each share-process service in a process of its own";
    ExpectLine(L"echo %@pidsvcnames[" + Hex(host) + L"]",
               "Vornel Test VfSvcA; Vornel Test VfSvcB; Vornel Test VfSvcC\r\n");
}

TEST(PidSvcNamesFunction, OwnTestServiceProcess)
{
    if (GetFileAttributesW(BinPath(L"vornel_testservice.exe").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "vornel_testservice.exe is not built";
    TestServices services({L"VfSvcOwn"}, false);
    ASSERT_TRUE(services.ok());
    ASSERT_TRUE(services.Start(L"VfSvcOwn"));
    DWORD host = services.ProcessId(L"VfSvcOwn");
    ASSERT_NE(host, 0u);
    ExpectLine(L"echo %@pidsvcnames[ " + std::to_wstring(host) + L" ]", "Vornel Test VfSvcOwn\r\n");
    ASSERT_TRUE(services.Stop(L"VfSvcOwn"));
    ExpectLine(L"echo [%@pidsvcnames[" + std::to_wstring(host) + L"]]", "[]\r\n");
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
    ExpectLine(L"echo %@elevated[.]", "-1\r\n");
    RunResult own = RunOrsh(L"echo %@pidexename[.]");
    EXPECT_EQ(Lower(own.out), Lower(Narrow(BinPath(L"orsh.exe")) + "\r\n"));
}

}  // namespace
