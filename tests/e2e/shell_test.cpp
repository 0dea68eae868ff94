// The road from the shell to the plug-in: loading, the load message rule,
// _clver, scripts with their batch position, and the shell's own errors;
// then what makes it a usable shell: remarks, redirection, programs, the
// last result, help and over-long lines.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

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
    std::string Read() const
    {
        std::string text;
        HANDLE f = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        char buffer[4096];
        DWORD got;
        while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got)
            text.append(buffer, got);
        CloseHandle(f);
        return text;
    }

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

struct LineCase {
    std::wstring line;  // FILE stands for a scratch file's path
    std::string out, err, file;
    DWORD exitCode;
};

std::wstring WithFile(std::wstring line, const std::wstring& file)
{
    for (size_t at; (at = line.find(L"FILE")) != std::wstring::npos;)
        line.replace(at, 4, file);
    return line;
}

TEST(Shell, OneShotLines)
{
    SetEnvironmentVariableW(L"_", L"/usr/bin/linux");
    SetEnvironmentVariableW(L"VORNEL_TB", L"2");
    SetEnvironmentVariableW(L"VORNEL_TA", L"1");
    SetEnvironmentVariableW(L"VORNEL_BIG", std::wstring(5000, L'x').c_str());
    Script shadow("@exit /b 42\r\n");
    const std::wstring shadowFolder = shadow.path() + L".d";
    CreateDirectoryW(shadowFolder.c_str(), nullptr);
    CopyFileW(shadow.path().c_str(), (shadowFolder + L"\\vornel_testhelper.bat").c_str(), FALSE);
    wchar_t path[32768];
    GetEnvironmentVariableW(L"PATH", path, 32768);
    const std::wstring oldPath = path;
    SetEnvironmentVariableW(L"PATH", (shadowFolder + L";" + oldPath).c_str());
    const LineCase cases[] = {
        {L"echo [%_?] [%errorlevel]", "[0] [0]\r\n", "", "", 0},
        {L"set vornel_t", "VORNEL_TA=1\r\nVORNEL_TB=2\r\n", "", "", 0},
        {L"set vornel_none", "", "orsh: no variable named vornel_none\r\n", "", 1},
        {L"help echo  ", "echo TEXT          writes TEXT (\"echo off\" and \"echo on\" are accepted)\r\n", "", "", 0},
        {L"help nothing", "", "orsh: no help for \"nothing\"\r\n", "", 1},
        {L"echo " + std::wstring(8186, L'A'), std::string(8186, 'A') + "\r\n", "", "", 0},
        {L"echo " + std::wstring(8187, L'A'), "", "orsh: the line has 8192 characters, more than 8191; none of it ran\r\n",
         "", 1},
        {L"remarkable", "", "orsh: unknown command: remarkable\r\n", "", 1},
        {L"echo %vornel_big%vornel_big", "",
         "orsh: the line is longer than 8191 characters once expanded; none of it ran\r\n", "", 1},
        // Redirection: operators are blank-separated words outside quotes.
        {L"echo h\u00e9 /HL:svc*|expl* > FILE", "", "", "h\xC3\xA9 /HL:svc*|expl*\r\n", 0},
        {L"echo \"a > b\" a>b \">\"", "\"a > b\" a>b \">\"\r\n", "", "", 0},
        {L"tasklist /zz 2> FILE", "", "", "Vornel plugin: Unknown option: \"/ZZ\"\r\n", 1},
        {L"tasklist /zz > FILE 2>&1", "", "", "Vornel plugin: Unknown option: \"/ZZ\"\r\n", 1},
        {L"tasklist /zz 2>&1 > FILE", "Vornel plugin: Unknown option: \"/ZZ\"\r\n", "", "", 1},
        {L"echo x > C:\\no\\such\\dir\\out.txt", "",
         "orsh: cannot open \"C:\\no\\such\\dir\\out.txt\" (error 3); the command did not run\r\n", "", 1},
        {L"echo x >", "", "orsh: a file name must follow >\r\n", "", 1},
        // Programs: the current folder (the bin folder here) before PATH
        // (whose folder has a vornel_testhelper.bat), PATHEXT.
        {L"vornel_testhelper --exit-code 5 > FILE", "", "", "ready", 5},
        {L"cmd /c exit 3", "", "", "", 3},
        {L"C:\\windows\\system32\\cmd /c echo prog>FILE", "", "", "prog\r\n", 0},
        {L"nosuchprogram /x", "", "orsh: unknown command: nosuchprogram\r\n", "", 1},
        {L"start nosuchprogram", "", "orsh: unknown command: nosuchprogram\r\n", "", 1},
    };
    for (const LineCase& c : cases) {
        Script file("");
        RunResult r = RunOrsh(WithFile(c.line, file.path()));
        SCOPED_TRACE(Narrow(c.line.substr(0, 60)));
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        if (c.file == "ready")  // the helper's report ends with "ready"
            EXPECT_NE(file.Read().find("ready"), std::string::npos) << file.Read();
        else
            EXPECT_EQ(file.Read(), c.file);
        EXPECT_EQ(r.exitCode, c.exitCode);
    }
    for (const wchar_t* name : {L"_", L"VORNEL_TA", L"VORNEL_TB", L"VORNEL_BIG"})
        SetEnvironmentVariableW(name, nullptr);
    SetEnvironmentVariableW(L"PATH", oldPath.c_str());
    DeleteFileW((shadowFolder + L"\\vornel_testhelper.bat").c_str());
    RemoveDirectoryW(shadowFolder.c_str());
}

TEST(Shell, ScriptLines)
{
    Script batch("@exit /b 9\r\n");
    std::wstring batchFile = batch.path() + L".bat";
    MoveFileW(batch.path().c_str(), batchFile.c_str());
    Script out("");
    std::string file = Narrow(out.path());
    Script script("@echo off\r\nrem %@elevated[zz] > " + file + "\r\n:: %@elevated[zz]\r\n@echo one\r\nREM\r\n"
                  "echo a > " + file + "\r\necho b >> " + file + "\r\nfrobnicate\r\necho %errorlevel %_?\r\n"
                  "set errorlevel=42\r\necho %errorlevel %_?\r\nset errorlevel=\r\n\"" +
                  Narrow(batchFile) + "\"\r\necho %errorlevel\r\ntasklist /zz\r\n:: the result stays\r\n");
    RunResult r = RunOrsh(L"-f \"" + script.path() + L"\"");
    DeleteFileW(batchFile.c_str());
    EXPECT_EQ(r.out, "one\r\n1 1\r\n42 0\r\n9\r\n");
    EXPECT_EQ(r.err, "orsh: unknown command: frobnicate\r\nVornel plugin: " + Narrow(script.path()) +
                         " [15]  Unknown option: \"/ZZ\"\r\n");
    EXPECT_EQ(out.Read(), "a\r\nb\r\n");
    EXPECT_EQ(r.exitCode, 1u);
}

TEST(Shell, StartDoesNotWait)
{
    // The shell does not take the started program's exit code.
    Script script("start vornel_testhelper --exit-code 4\r\necho [%errorlevel]\r\n");
    RunResult r = RunOrsh(L"-f \"" + script.path() + L"\"");
    size_t at = r.out.find("process ID ");
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_GT(atoi(r.out.c_str() + at + 11), 0);
    EXPECT_NE(r.out.find("[0]\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.exitCode, 0u);

    // The ID printed is the started program's own. The program keeps the
    // shell's handles, so the shell's output goes to a file, not a pipe.
    Script out("");
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE file = CreateFileW(out.path().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                              CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW si{sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = file;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + BinPath(L"orsh.exe") + L"\" start notepad";
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(file);
    const std::string printed = out.Read();
    ASSERT_EQ(printed.rfind("process ID ", 0), 0u) << printed;
    HANDLE started = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                                 (DWORD)atoi(printed.c_str() + 11));
    ASSERT_NE(started, nullptr) << printed;
    wchar_t image[MAX_PATH];
    DWORD size = MAX_PATH;
    EXPECT_TRUE(QueryFullProcessImageNameW(started, 0, image, &size));
    EXPECT_EQ(_wcsicmp(image, L"C:\\windows\\system32\\notepad.exe"), 0) << Narrow(image);
    TerminateProcess(started, 0);
    CloseHandle(started);
}

// Shells appending to one file at once keep every line whole.
TEST(Shell, ConcurrentAppendsKeepEveryLine)
{
    Script out("");
    std::set<std::string> expected;
    std::vector<std::unique_ptr<Script>> scripts;
    for (int s = 0; s < 8; ++s) {
        std::string text;
        for (int l = 0; l < 100; ++l) {
            const std::string line = "shell " + std::to_string(s) + " line " + std::to_string(l);
            text += "echo " + *expected.insert(line).first + " >> " + Narrow(out.path()) + "\r\n";
        }
        scripts.push_back(std::make_unique<Script>(text));
    }
    std::vector<std::thread> shells;
    for (const auto& script : scripts)
        shells.emplace_back([&script] { RunOrsh(L"-f \"" + script->path() + L"\""); });
    for (std::thread& shell : shells)
        shell.join();
    const std::string text = out.Read();
    std::set<std::string> kept;
    size_t lines = 0;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2, ++lines)
        kept.insert(text.substr(start, end - start));
    EXPECT_EQ(lines, expected.size());
    EXPECT_TRUE(kept == expected) << kept.size() << " distinct lines of " << expected.size();
}

struct HostileCase {
    std::wstring args;      // FILE, DIR, SHOW and LONG stand for the test's paths
    std::string input;      // with no args: the shell's piped input
    std::string before;     // FILE's text before the line runs
    std::string out, err;   // err: FILE, DIR, SHOW and LONG as in args
    std::string file;       // FILE's text after
    DWORD exitCode;
};

// What a hostile user tries: long script paths, full disks, redirections
// that cannot all be opened, cmd's operators in a batch file's arguments,
// odd exit codes, a byte-order mark and a huge line on piped input.
TEST(Shell, HostileLines)
{
    Script anchor("");
    const std::wstring base = anchor.path() + L".d";
    // Four folders of 60 characters: the script's full path passes MAX_PATH.
    std::wstring folder = base;
    std::vector<std::wstring> folders{base};
    for (int i = 0; i < 4; ++i)
        folders.push_back(folder += L"\\" + std::wstring(60, L'a' + i));
    for (const std::wstring& f : folders)
        CreateDirectoryW((L"\\\\?\\" + f).c_str(), nullptr);
    const std::wstring longScript = folder + L"\\long.btm";
    const std::wstring show = base + L"\\show.bat";
    const std::wstring dir = base + L"\\adir";
    CreateDirectoryW(dir.c_str(), nullptr);
    for (const auto& [name, text] : {std::pair{longScript, std::string("echo long %_batchline\r\n")},
                                     std::pair{show, std::string("@echo off\r\necho \"%~1\"\r\necho \"%~2\"\r\n")}}) {
        HANDLE f = CreateFileW((L"\\\\?\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written;
        WriteFile(f, text.data(), (DWORD)text.size(), &written, nullptr);
        CloseHandle(f);
    }
    ASSERT_GE(longScript.size(), (size_t)MAX_PATH);

    const std::string full = "orsh: cannot write to \"Z:\\dev\\full\": Disk full (error 112)\r\n";
    const std::string huge = "echo " + std::string(24 << 20, 'a') + "\necho after\n";
    const HostileCase cases[] = {
        {L"-f \"LONG\"", "", "", "long 1\r\n", "", "", 0},
        {L"echo lost > Z:\\dev\\full", "", "", "", full, "", 1},
        {L"tasklist > Z:\\dev\\full", "", "", "", full, "", 1},
        {L"echo new > FILE 2> DIR", "", "precious\r\n", "",
         "orsh: cannot open \"DIR\" (error 5); the command did not run\r\n", "precious\r\n", 1},
        {L"echo new > FILE 2>> FILE", "", "precious\r\n", "",
         "orsh: the output and the errors cannot both go to \"FILE\" (use 2>&1); the command did not run\r\n",
         "precious\r\n", 1},
        {L"SHOW a&echo INJECTED", "", "", "\"a&echo\"\r\n\"INJECTED\"\r\n", "", "", 0},
        {L"SHOW a|x>FILE \"b&c\"", "", "", "\"a|x>FILE\"\r\n\"b&c\"\r\n", "", "", 0},
        {L"SHOW (d^e) f", "", "", "\"(d^e)\"\r\n\"f\"\r\n", "", "", 0},
        {L"SHOW %%windir%%", "", "", "",
         "orsh: the command interpreter would expand %windir% before the batch file saw it; SHOW did not run\r\n",
         "", 1},
        {L"exit abc", "", "", "", "orsh: exit needs a number, not \"abc\"\r\n", "", 1},
        {L"exit -2", "", "", "", "", "", (DWORD)-2},
        {L"start \"a title\" nosuchprogram", "", "", "", "orsh: unknown command: nosuchprogram\r\n", "", 1},
        {L"start \"a title\"", "", "", "", "orsh: usage: start [\"TITLE\"] PROGRAM [ARGUMENTS]\r\n", "", 1},
        {L"", "\xEF\xBB\xBF" "echo bom\r\n", "", "bom\r\n", "", "", 0},
        {L"", huge, "", "after\r\n", "orsh: the line has 25165829 characters, more than 8191; none of it ran\r\n", "", 0},
    };
    for (const HostileCase& c : cases) {
        Script file(c.before);
        auto fill = [&](std::wstring text) {
            for (const auto& [mark, value] : {std::pair{L"FILE", file.path()}, std::pair{L"DIR", dir},
                                              std::pair{L"SHOW", show}, std::pair{L"LONG", longScript}}) {
                for (size_t at; (at = text.find(mark)) != std::wstring::npos;)
                    text.replace(at, wcslen(mark), value);
            }
            return text;
        };
        SCOPED_TRACE(Narrow(c.args.substr(0, 60)) + c.input.substr(0, 20));
        ULONGLONG start = GetTickCount64();
        RunResult r = c.args.empty() ? RunOrshInteractive(c.input, InputFrom::Pipe) : RunOrsh(fill(c.args));
        // Each byte of a line is looked at once: 24 MB take about a second
        // (read again at each chunk, half a minute).
        EXPECT_LT(GetTickCount64() - start, 8000u);
        EXPECT_EQ(r.out, Narrow(fill(Widen(c.out))));
        EXPECT_EQ(r.err, Narrow(fill(Widen(c.err))));
        EXPECT_EQ(file.Read(), c.file);
        EXPECT_EQ(r.exitCode, c.exitCode);
    }
    DeleteFileW((L"\\\\?\\" + longScript).c_str());
    DeleteFileW(show.c_str());
    RemoveDirectoryW(dir.c_str());
    for (auto f = folders.rbegin(); f != folders.rend(); ++f)
        RemoveDirectoryW((L"\\\\?\\" + *f).c_str());
}

}  // namespace
