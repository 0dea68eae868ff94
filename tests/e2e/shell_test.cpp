// The road from the shell to the plug-in: loading, the load message rule,
// _clver, scripts with their batch position, and the shell's own errors.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/process_runner.h"

using namespace vornel::test;

namespace {

constexpr char LoadMessage[] = "Vornel v1.0.25 loaded.\r\n";

// A script file in the temp directory, removed at the end of the test.
class Script {
public:
    explicit Script(const std::string& text)
    {
        wchar_t dir[MAX_PATH], name[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        GetTempFileNameW(dir, L"vsc", 0, name);
        path_ = name;
        HANDLE f = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written;
        WriteFile(f, text.data(), (DWORD)text.size(), &written, nullptr);
        CloseHandle(f);
    }
    ~Script() { DeleteFileW(path_.c_str()); }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

TEST(Shell, OneShotIsTransientAndQuiet)
{
    RunResult r = RunOrsh(L"echo %_clver");
    EXPECT_EQ(r.out, "1.1.0.1\r\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0u);
}

TEST(Shell, InteractiveShowsTheLoadMessageOnce)
{
    RunResult r = RunOrshInteractive("echo %_clver\necho %_transient%_pipe\nexit\n");
    EXPECT_EQ(r.out, std::string(LoadMessage) + "1.1.0.1\r\n00\r\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0u);
}

TEST(Shell, NoLoadMessageInAPipeOrWithNoloadmsg)
{
    RunResult piped = RunOrshInteractive("echo x\n", InputFrom::Pipe);
    EXPECT_EQ(piped.out, "x\r\n");

    SetEnvironmentVariableW(L"noloadmsg", L"1");
    RunResult quiet = RunOrshInteractive("echo y\n");
    SetEnvironmentVariableW(L"noloadmsg", nullptr);
    EXPECT_EQ(quiet.out, "y\r\n");

    // Set to an empty text the variable does not exist, and the message shows.
    RunResult shown = RunOrshInteractive("set noloadmsg=\necho z\n");
    EXPECT_EQ(shown.out, std::string(LoadMessage) + "z\r\n");
}

TEST(Shell, ScriptErrorsCarryTheBatchPosition)
{
    Script script("echo first\r\necho %_batchline\r\necho %@elevated[zz]\r\n");
    RunResult r = RunOrsh(L"-f \"" + script.path() + L"\"");
    EXPECT_EQ(r.out, "first\r\n2\r\n");
    EXPECT_EQ(r.err, "Vornel plugin: " + Narrow(script.path()) + " [3]  Bad PID: \"ZZ\"\r\n");
    EXPECT_EQ(r.exitCode, 1u);
}

TEST(Shell, ExitCodes)
{
    Script script("echo a\r\nexit 7\r\necho never\r\n");
    RunResult r = RunOrsh(L"-f \"" + script.path() + L"\"");
    EXPECT_EQ(r.out, "a\r\n");
    EXPECT_EQ(r.exitCode, 7u);

    RunResult unknown = RunOrsh(L"frobnicate now");
    EXPECT_EQ(unknown.err, "orsh: unknown command: frobnicate\r\n");
    EXPECT_EQ(unknown.exitCode, 1u);

    RunResult missing = RunOrsh(L"-f C:\\no\\such\\script.btm");
    EXPECT_EQ(missing.err.rfind("orsh: cannot read the script \"C:\\no\\such\\script.btm\"", 0), 0u);
    EXPECT_EQ(missing.exitCode, 2u);
}

TEST(Shell, MissingPluginIsAClearError)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring lonely = std::wstring(dir) + L"orsh-without-plugin";
    CreateDirectoryW(lonely.c_str(), nullptr);
    CopyFileW(BinPath(L"orsh.exe").c_str(), (lonely + L"\\orsh.exe").c_str(), FALSE);
    CopyFileW(BinPath(L"OrshHost.dll").c_str(), (lonely + L"\\OrshHost.dll").c_str(), FALSE);
    RunResult r = RunProcess(L"\"" + lonely + L"\\orsh.exe\" echo hi");
    DeleteFileW((lonely + L"\\orsh.exe").c_str());
    DeleteFileW((lonely + L"\\OrshHost.dll").c_str());
    RemoveDirectoryW(lonely.c_str());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("orsh: cannot load the plug-in ", 0), 0u) << r.err;
    EXPECT_EQ(r.exitCode, 2u);
}

}  // namespace
