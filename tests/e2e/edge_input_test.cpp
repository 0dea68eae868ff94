// Command lines at the edges of what the commands take: a split that
// overflows rejects the line in every command, the all-ones process ID is an
// ID like any other, and a path far longer than the system's long-name
// lookup survives is still just a name that no process has. A service start
// that fails is reported, and an ID next to a live one is no process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/owners.h"
#include "tests/support/process_runner.h"
#include "tests/support/test_service.h"

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
    // And a folder of 1,173 characters that exists: the host's true-name
    // lookup must keep so long a path from the long-name call.
    wchar_t temp[MAX_PATH];
    std::vector<std::wstring> folders{std::wstring(temp, GetTempPathW(MAX_PATH, temp)) + L"vornel-long"};
    for (size_t rest; (rest = 1173 - folders.back().size()) > 0;)  // names of 1 to 201 characters
        folders.push_back(folders.back() + L"\\" + std::wstring(rest > 202 ? 200 : rest - 1, L'd'));
    vornel::scope_exit remove([&] {
        for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
            RemoveDirectoryW((L"\\\\?\\" + *folder).c_str());
    });
    for (const std::wstring& folder : folders)
        CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    ASSERT_NE(GetFileAttributesW((L"\\\\?\\" + folders.back()).c_str()), INVALID_FILE_ATTRIBUTES);
    for (std::string path :
         {"Z:\\" + std::string(1100, 'A'), "Z:\\" + std::string(8000, 'A'), Narrow(folders.back())}) {
        RunResult r = RunOrsh(Widen("enumprocesses " + path), 20000);
        for (char& c : path)
            c = (char)toupper((unsigned char)c);
        EXPECT_EQ(r.out, "") << path.size();
        EXPECT_EQ(r.err, "Vornel plugin: Bad PID: \"" + path + "\"\r\n") << path.size();
        EXPECT_EQ(r.exitCode, 1u) << path.size();
    }
}

TEST(EdgeInput, FailedServiceRequestsAndIdsNextToLiveOnes)
{
    TestServices services({L"VedgeRun", L"VedgeBad", L"VedgeFail", L"VedgeQuit", L"VedgeSlow"}, false);
    ASSERT_TRUE(services.ok() && services.Start(L"VedgeRun"));
    // A missing program, programs that stop at once with an exit code of their own or 0, and one that
    // reports progress, then none, and stays in "Starting" until the test releases it.
    vornel::unique_sc_handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const std::wstring testService = L"\"" + BinPath(L"vornel_testservice.exe") + L"\" ";
    for (auto [name, program] : {std::pair{L"VedgeBad", std::wstring(L"C:\\nonexistent\\vornel_missing.exe")},
                                 {L"VedgeFail", testService + L"--fail 1064 VedgeFail"},
                                 {L"VedgeQuit", testService + L"--fail 0 VedgeQuit"},
                                 {L"VedgeSlow", testService + L"--progress 2000 VedgeSlow"}}) {
        vornel::unique_sc_handle service(OpenServiceW(manager.get(), name, SERVICE_CHANGE_CONFIG));
        ASSERT_TRUE(ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                         program.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    }
    auto line = [](const std::string& name, const std::string& state) {
        return name + std::string(20 - name.size(), ' ') + "Vornel Test " + name + " \xE2\x80\x94 " + state + "\r\n";
    };
    auto failed = [](const std::string& name, DWORD code, const std::string& action = "start",
                     const std::string& program = "") {
        wchar_t text[1024] = L"";  // the system's message on one line
        FormatMessageW(0x12FF, nullptr, code, 0, text, 1024, nullptr);
        std::string reason = Narrow(text);
        return "Vornel plugin: Cannot " + action + " \"" + name + "\"" +
               (program.empty() ? "" : " (program " + program + ")") + ": " +
               reason.erase(reason.find_last_not_of(" \r\n") + 1) + " (error " + std::to_string(code) + ")\r\n";
    };

    // IDs go in steps of 4: the neighbours of a live ID (this program's) are
    // no process, and a program may be named after one.
    const DWORD pid = GetCurrentProcessId();
    const std::string named = std::to_string(pid + 2);
    const std::wstring program = BinDir() + L"\\" + Widen(named) + L".exe";
    ASSERT_TRUE(CopyFileW(BinPath(L"vornel_testhelper.exe").c_str(), program.c_str(), FALSE));
    vornel::scope_exit remove([&] {  // once the helper below is gone
        for (int i = 0; i < 50 && !DeleteFileW(program.c_str()); ++i)
            Sleep(100);
    });
    Helper numbered(L"--tag edge", program);
    ASSERT_TRUE(numbered.ready());
    char listed[64];
    snprintf(listed, sizeof listed, "%5lu  %-16s\r\n\r\n   Found 1 process.\r\n", numbered.pid(), named.c_str());

    auto expect = [](const std::string& command, const std::string& out, const std::string& err, DWORD code) {
        RunResult r = RunOrsh(Widen(command));
        EXPECT_EQ(r.out, out) << command;
        EXPECT_EQ(r.err, err) << command;
        EXPECT_EQ(r.exitCode, code) << command;
    };
    // Already running is no failure; each failure has its message, every service its line.
    expect("services /r VedgeRun nosuchvedge* VedgeBad", line("VedgeRun", "Running") + line("VedgeBad", "Stopped"),
           failed("VedgeBad", 2, "start", "C:\\nonexistent\\vornel_missing.exe") +
               "Vornel plugin: No service matches \"NOSUCHVEDGE*\"\r\n",
           2);
    expect("services /r VedgeFail", line("VedgeFail", "Stopped"), failed("VedgeFail", 1064), 2);
    expect("services /r VedgeQuit", line("VedgeQuit", "Stopped"), failed("VedgeQuit", ERROR_SERVICE_NOT_ACTIVE), 2);
    // Two seconds of progress keep the start waiting past the 2 s the hint allows; then no progress
    // for as long ends the wait. A stop while the service is still starting is refused by the service.
    const ULONGLONG started = GetTickCount64();
    expect("services /r VedgeSlow", line("VedgeSlow", "Starting"), failed("VedgeSlow", ERROR_SERVICE_REQUEST_TIMEOUT), 2);
    EXPECT_GE(GetTickCount64() - started, 3500u);
    expect("services /s VedgeSlow", line("VedgeSlow", "Starting"),
           failed("VedgeSlow", ERROR_INVALID_SERVICE_CONTROL, "stop"), 2);
    vornel::unique_handle release(OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Global\\VornelTestService-VedgeSlow-release"));
    EXPECT_TRUE(release && SetEvent(release.get()));
    // Names that select the same service have each matched it.
    expect("services /r VedgeRun vedgerun VedgeR*", line("VedgeRun", "Running"), "", 0);
    expect("tasklist " + named, listed, "", 0);
    expect("echo [%@pidexename[" + std::to_string(pid + 1) + "]] %@elevated[" + std::to_string(pid + 3) +
               "] %@elevated[" + std::to_string(pid) + "]", "[] -1 1\r\n", "", 0);
}

}  // namespace
