// `help NAME` in the shell: the viewer that the plug-in starts lives exactly as
// long as the shell keeps the plug-in; a message box when the help file is in
// none of its places. Each test runs a copy of the shell and the plug-in from a
// directory of its own, which holds only the help files the test puts there.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <future>
#include <string>

#include "frame/owners.h"
#include "tests/support/help_viewer.h"
#include "tests/support/process_runner.h"

namespace {

using namespace vornel::test;
using vornel::scope_exit;
using vornel::unique_handle;

constexpr wchar_t Caption[] = L"Missing Help File";

// The message box's text when the help file is in none of its places.
std::wstring MissingHelpText(const std::wstring& windowsDirectory)
{
    return L"I can\u2019t find the help file Vornel.chm.  It should be:\n\n"
           L"    \u2022  in a directory specified in %VORNELHELP\n"
           L"    \u2022  in a directory specified in %PLUGINHELP\n"
           L"    \u2022  in the same directory as the .DLL file\n"
           L"    \u2022  in a HELP directory within the .DLL\u2019s directory  \n"
           L"    \u2022  in the same directory as the command shell\n"
           L"    \u2022  in a HELP directory within the shell\u2019s directory  \n"
           L"    \u2022  or in " +
           windowsDirectory + L"\\Help.\n";
}

// The hh.exe that `parent` (0: any process) started, opened for reading its
// command line.
HANDLE WaitForViewer(DWORD parent)
{
    for (int tries = 0; tries < 200; ++tries) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof entry;
        DWORD found = 0;
        for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
            if ((!parent || entry.th32ParentProcessID == parent) && _wcsicmp(entry.szExeFile, L"hh.exe") == 0)
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

// Opens the help for `topic` in an interactive shell run from `directory`
// whose input the test holds open, so the plug-in stays loaded; returns the
// viewer's command line, and checks that the viewer ends with the shell.
std::wstring ViewerCommandLineFromShell(const std::wstring& directory, const std::string& topic)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    unique_handle inputRead, input;
    EXPECT_TRUE(CreatePipe(inputRead.put(), input.put(), &inherit, 0));
    SetHandleInformation(input.get(), HANDLE_FLAG_INHERIT, 0);
    unique_handle nul(
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead.get();
    startup.hStdOutput = startup.hStdError = nul.get();
    std::wstring shellLine = L"\"" + directory + L"\\orsh.exe\"";
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, shellLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
        ADD_FAILURE() << "no shell started";
        return {};
    }
    CloseHandle(started.hThread);
    inputRead.reset();
    unique_handle shell(started.hProcess);
    // Ending the input unloads the plug-in and ends the shell.
    auto closeShell = [&] {
        input.reset();
        return WaitForSingleObject(shell.get(), 20000);
    };
    scope_exit endShell([&] {
        if (closeShell() != WAIT_OBJECT_0)
            EndProcess(shell.get());
    });

    std::string command = "help " + topic + "\n";
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(input.get(), command.data(), (DWORD)command.size(), &written, nullptr));
    unique_handle viewer(WaitForViewer(started.dwProcessId));
    if (!viewer) {
        ADD_FAILURE() << "no help viewer started";
        return {};
    }
    scope_exit endViewer([&] { EndProcess(viewer.get()); });
    std::wstring commandLine = ReadCommandLine(viewer.get());
    EXPECT_EQ(WaitForSingleObject(viewer.get(), 300), static_cast<DWORD>(WAIT_TIMEOUT)) << "the viewer stays open";
    EXPECT_EQ(closeShell(), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(viewer.get(), 10000), WAIT_OBJECT_0) << "unloading the plug-in ends its viewer";
    return commandLine;
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
        for (const wchar_t* file : {L"orsh.exe", L"OrshHost.dll", L"Vornel.dll"})
            ASSERT_TRUE(shell_.Copy(BinPath(file))) << file;
    }
    void TearDown() override { DeleteFileW(WindowsHelpFile().c_str()); }

    std::wstring WindowsHelpFile() const { return windowsDirectory_ + L"\\help\\Vornel.chm"; }

    std::wstring windowsDirectory_;
    ScratchDirectory shell_;
};

TEST_F(HelpFromTheShell, AHelpDirectoryBesideTheDll)
{
    ASSERT_TRUE(shell_.MakeDirectory(L"Help"));
    ASSERT_TRUE(shell_.Copy(BinPath(L"Vornel.chm"), L"Help"));
    EXPECT_EQ(ViewerCommandLineFromShell(shell_.path(), "@PidSvcNames"),
              L"\"" + ViewerPath() + L"\" \"" + shell_.path() + L"\\Help\\Vornel.chm::/f_pidsvcnames.html\"");
}

TEST_F(HelpFromTheShell, TheWindowsHelpDirectoryComesLast)
{
    ASSERT_TRUE(CopyFileW(BinPath(L"Vornel.chm").c_str(), WindowsHelpFile().c_str(), FALSE));
    EXPECT_EQ(ViewerCommandLineFromShell(shell_.path(), "enumprocesses"),
              L"\"" + ViewerPath() + L"\" \"" + WindowsHelpFile() + L"::/enumprocesses.html\"");
}

TEST_F(HelpFromTheShell, NoHelpFileAnywhereShowsTheMessageBox)
{
    ASSERT_EQ(FindWindowW(nullptr, Caption), nullptr);
    auto run = std::async(std::launch::async,
                          [&] { return RunProcess(L"\"" + shell_.path() + L"\\orsh.exe\" help services", {}, 60000); });
    HWND box = nullptr;
    for (int tries = 0; tries < 300 && !(box = FindWindowW(nullptr, Caption)); ++tries)
        Sleep(100);
    ASSERT_NE(box, nullptr) << "no message box";
    // A message box's text is the static control with the ID 0xFFFF.
    wchar_t text[2048] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, 2048);
    // The box is modal: the shell waits until it is closed with OK.
    EXPECT_EQ(run.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    RunResult result = run.get();

    EXPECT_EQ(std::wstring(text), MissingHelpText(windowsDirectory_));
    EXPECT_FALSE(result.timedOut);
    // The name was the plug-in's: the shell adds no help of its own.
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.err, "");
}

// One-shot help waits until the viewer is closed; returns the shell's standard error.
std::string OneShotHelpWaitsForTheViewer(const std::wstring& directory)
{
    auto run = std::async(std::launch::async,
                          [&] { return RunProcess(L"\"" + directory + L"\\orsh.exe\" help tasklist", {}, 60000); });
    unique_handle viewer(WaitForViewer(0));
    if (!viewer) {
        ADD_FAILURE() << "no help viewer started";
        return {};
    }
    // Ending the shell would end the viewer: it waits for the user instead.
    EXPECT_EQ(run.wait_for(std::chrono::seconds(1)), std::future_status::timeout);
    EXPECT_EQ(WaitForSingleObject(viewer.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EndProcess(viewer.get());
    RunResult result = run.get();
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u);
    return result.err;
}

TEST_F(HelpFromTheShell, OneShotHelpWaitsUntilTheViewerIsClosed)
{
    ASSERT_TRUE(shell_.Copy(BinPath(L"Vornel.chm")));
    EXPECT_EQ(OneShotHelpWaitsForTheViewer(shell_.path()), "");
}

// On the private display that ./orsh starts, the shell says what nobody can see: the message box is
// answered as its OK button would, after its text; the viewer is named.
TEST_F(HelpFromTheShell, OnAPrivateDisplayTheShellSaysWhatNobodySees)
{
    SetEnvironmentVariableW(L"VORNEL_PRIVATE_DISPLAY", L":77");
    scope_exit unset([] { SetEnvironmentVariableW(L"VORNEL_PRIVATE_DISPLAY", nullptr); });
    RunResult box = RunProcess(L"\"" + shell_.path() + L"\\orsh.exe\" help services", {}, 60000);
    std::wstring text = MissingHelpText(windowsDirectory_);
    for (size_t at = 0; (at = text.find(L'\n', at)) != std::wstring::npos; at += 2)
        text.insert(at, 1, L'\r');
    EXPECT_EQ(box.err, "orsh: a message box on the private display :77, answered OK: Missing Help File\r\n" +
                           Narrow(text) + "\r\n");
    EXPECT_EQ(box.exitCode, 0u);

    ASSERT_TRUE(shell_.Copy(BinPath(L"Vornel.chm")));
    EXPECT_EQ(OneShotHelpWaitsForTheViewer(shell_.path()),
              "orsh: the help viewer is open on the private display :77; ./orsh taskkill /im hh.exe closes it\r\n");
}

}  // namespace
