// `help NAME` in the shell: the help viewer that the plug-in starts from its
// real DLL, which lives exactly as long as the shell keeps the plug-in, and
// the message box when the help file is in none of its places. Each test runs
// a copy of the shell and the plug-in from a directory of its own, so that the
// places beside the DLL and beside the shell hold only what the test puts
// there.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <future>
#include <string>

#include "tests/support/help_viewer.h"
#include "tests/support/process_runner.h"

namespace {

using namespace vornel::test;

constexpr wchar_t Caption[] = L"Missing Help File";

void CopyShell(const ScratchDirectory& directory)
{
    for (const wchar_t* file : {L"orsh.exe", L"OrshHost.dll", L"Vornel.dll"})
        ASSERT_TRUE(directory.Copy(BinPath(file))) << file;
}

// An interactive shell whose input the test holds open: the plug-in stays
// loaded until the input ends.
class ShellSession {
public:
    explicit ShellSession(const std::wstring& shellPath)
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE inputRead = nullptr;
        if (!CreatePipe(&inputRead, &input_, &inherit, 0))
            return;
        SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
        HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                 0, nullptr);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = inputRead;
        startup.hStdOutput = nul;
        startup.hStdError = nul;
        std::wstring commandLine = L"\"" + shellPath + L"\"";
        PROCESS_INFORMATION started = {};
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                           &started)) {
            CloseHandle(started.hThread);
            process_ = started.hProcess;
            pid_ = started.dwProcessId;
        }
        CloseHandle(inputRead);
        CloseHandle(nul);
    }
    ~ShellSession()
    {
        if (process_ && Close() != WAIT_OBJECT_0)
            EndProcess(process_);
        if (process_)
            CloseHandle(process_);
    }
    ShellSession(const ShellSession&) = delete;
    ShellSession& operator=(const ShellSession&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD pid() const { return pid_; }

    bool Send(const std::string& line)
    {
        DWORD written = 0;
        return WriteFile(input_, line.data(), (DWORD)line.size(), &written, nullptr) && written == line.size();
    }

    // Ends the input, so the shell unloads the plug-in and exits.
    DWORD Close()
    {
        if (input_) {
            CloseHandle(input_);
            input_ = nullptr;
        }
        return WaitForSingleObject(process_, 20000);
    }

private:
    HANDLE input_ = nullptr;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// The hh.exe that `parent` started, opened for reading its command line.
HANDLE WaitForViewer(DWORD parent)
{
    for (int tries = 0; tries < 200; ++tries) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof entry;
        DWORD found = 0;
        for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
            if (entry.th32ParentProcessID == parent && _wcsicmp(entry.szExeFile, L"hh.exe") == 0)
                found = entry.th32ProcessID;
        }
        CloseHandle(snapshot);
        if (found)
            return OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                               found);
        Sleep(100);
    }
    return nullptr;
}

// Opens the help for `topic` in a shell run from `shellDirectory`; returns
// the viewer's command line, and checks that the viewer ends with the shell.
std::wstring ViewerCommandLineFromShell(const ScratchDirectory& shellDirectory, const std::string& topic)
{
    ShellSession shell(shellDirectory.path() + L"\\orsh.exe");
    EXPECT_TRUE(shell.started());
    EXPECT_TRUE(shell.Send("help " + topic + "\n"));
    HANDLE viewer = WaitForViewer(shell.pid());
    if (!viewer) {
        ADD_FAILURE() << "no help viewer started";
        return {};
    }
    std::wstring commandLine = ReadCommandLine(viewer);
    EXPECT_EQ(WaitForSingleObject(viewer, 300), static_cast<DWORD>(WAIT_TIMEOUT)) << "the viewer stays open";
    EXPECT_EQ(shell.Close(), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(viewer, 10000), WAIT_OBJECT_0) << "unloading the plug-in ends its viewer";
    EndProcess(viewer);
    CloseHandle(viewer);
    return commandLine;
}

std::wstring StaticText(HWND box)
{
    std::wstring text;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM found) -> BOOL {
            wchar_t className[64];
            wchar_t buffer[2048];
            if (GetClassNameW(child, className, 64) && _wcsicmp(className, L"Static") == 0 &&
                GetWindowTextW(child, buffer, 2048) > 0) {
                *reinterpret_cast<std::wstring*>(found) = buffer;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

class HelpFromTheShell : public testing::Test {
protected:
    void SetUp() override
    {
        // The shells inherit this environment: no help directory of the user's.
        SetEnvironmentVariableW(L"VornelHelp", nullptr);
        SetEnvironmentVariableW(L"PluginHelp", nullptr);
        wchar_t windows[MAX_PATH];
        GetWindowsDirectoryW(windows, MAX_PATH);
        windowsDirectory_ = windows;
        ASSERT_EQ(GetFileAttributesW(WindowsHelpFile().c_str()), INVALID_FILE_ATTRIBUTES)
            << "no help file of ours in the Windows help directory";
    }
    void TearDown() override { DeleteFileW(WindowsHelpFile().c_str()); }

    std::wstring WindowsHelpFile() const { return windowsDirectory_ + L"\\help\\Vornel.chm"; }

    std::wstring windowsDirectory_;
    ScratchDirectory shell_;
};

TEST_F(HelpFromTheShell, AHelpDirectoryBesideTheDll)
{
    CopyShell(shell_);
    ASSERT_TRUE(shell_.MakeDirectory(L"Help"));
    ASSERT_TRUE(shell_.Copy(BinPath(L"Vornel.chm"), L"Help"));
    EXPECT_EQ(ViewerCommandLineFromShell(shell_, "@PidSvcNames"),
              L"\"" + ViewerPath() + L"\" \"" + shell_.path() + L"\\Help\\Vornel.chm::/f_pidsvcnames.html\"");
}

TEST_F(HelpFromTheShell, TheWindowsHelpDirectoryComesLast)
{
    CopyShell(shell_);
    ASSERT_TRUE(CopyFileW(BinPath(L"Vornel.chm").c_str(), WindowsHelpFile().c_str(), FALSE));
    EXPECT_EQ(ViewerCommandLineFromShell(shell_, "enumprocesses"),
              L"\"" + ViewerPath() + L"\" \"" + WindowsHelpFile() + L"::/enumprocesses.html\"");
}

TEST_F(HelpFromTheShell, NoHelpFileAnywhereShowsTheMessageBox)
{
    CopyShell(shell_);
    ASSERT_EQ(FindWindowW(nullptr, Caption), nullptr);
    auto run = std::async(std::launch::async,
                          [&] { return RunProcess(L"\"" + shell_.path() + L"\\orsh.exe\" help services", {}, 60000); });
    HWND box = nullptr;
    for (int tries = 0; tries < 300 && !box; ++tries) {
        box = FindWindowW(nullptr, Caption);
        if (!box)
            Sleep(100);
    }
    ASSERT_NE(box, nullptr) << "no message box";
    std::wstring text = StaticText(box);
    // The box is modal: the shell waits until it is closed with OK.
    EXPECT_EQ(run.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    RunResult result = run.get();

    EXPECT_EQ(text, L"I can\u2019t find the help file Vornel.chm.  It should be:\n\n"
                    L"    \u2022  in a directory specified in %VORNELHELP\n"
                    L"    \u2022  in a directory specified in %PLUGINHELP\n"
                    L"    \u2022  in the same directory as the .DLL file\n"
                    L"    \u2022  in a HELP directory within the .DLL\u2019s directory  \n"
                    L"    \u2022  in the same directory as the command shell\n"
                    L"    \u2022  in a HELP directory within the shell\u2019s directory  \n"
                    L"    \u2022  or in " +
                        windowsDirectory_ + L"\\Help.\n");
    EXPECT_FALSE(result.timedOut);
    // The name was the plug-in's: the shell adds no help of its own.
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.err, "");
}

}  // namespace
