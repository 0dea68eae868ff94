// The road from the shell to the plug-in: loading, the load message rule,
// _clver, scripts with their batch position, and the shell's own errors;
// then what makes it a usable shell: remarks, redirection, programs, the
// last result, help and over-long lines.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "frame/owners.h"
#include "tests/support/process_runner.h"

using namespace vornel::test;

namespace {

constexpr char LoadMessage[] = "Vornel v1.0.25 loaded.\r\n";
// The longest command Wine's cmd takes after /c without a warning.
constexpr size_t MaxCmd = 8190;
// "help" alone: the built-ins, then the names the plug-in registered, sorted.
constexpr char HelpList[] =
    "Built-in commands:\r\n"
    "  echo TEXT          writes TEXT (\"echo off\" and \"echo on\" are accepted)\r\n"
    "  set NAME=VALUE     sets a variable (no value removes it); alone lists them\r\n"
    "  help NAME          the help page of NAME; alone, this list\r\n"
    "  start PROGRAM ARGS starts a program without waiting, prints its process ID\r\n"
    "  exit [CODE]        ends the shell with CODE\r\n"
    "  rem TEXT, :: TEXT  a remark; @ before a command is ignored\r\n"
    "Plug-in commands:   enumprocesses services tasklist\r\n"
    "Variable functions: @elevated @pidexename @pidsvcnames\r\n"
    "Any other command runs as a program from the current folder or PATH.\r\n"
    "\"help NAME\" opens the plug-in's page for NAME in the help viewer.\r\n";

// A script file (in the temp directory unless told where), removed at the end of the test.
class Script {
public:
    explicit Script(const std::string& text, std::wstring at = L"") : path_(std::move(at))
    {
        wchar_t dir[MAX_PATH], name[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        if (path_.empty() && GetTempFileNameW(dir, L"vsc", 0, name))
            path_ = name;
        HANDLE f = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
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

    // From ./orsh the line as typed comes in a variable (Wine quotes the arguments in the raw line),
    // which the shell takes out of the environment its programs get.
    SetEnvironmentVariableW(L"VORNEL_ORSH_LINE", L"echo a b \"c\" [%VORNEL_ORSH_LINE]");
    RunResult typed = RunOrsh(L"echo \"a b\" \\\"c\\\" [%VORNEL_ORSH_LINE]");
    SetEnvironmentVariableW(L"VORNEL_ORSH_LINE", nullptr);
    EXPECT_EQ(typed.out, "a b \"c\" []\r\n");
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
    // A byte-order mark is no part of the first line, and a last line without a line end runs. Each byte of a
    // huge line is looked at once: 96 MB in one line take about as long as 96 MB in lines of 64 KB.
    std::string lines;
    for (int i = 0; i < 1536; ++i)
        lines += std::string(65535, 'a') + "\n";
    const ULONGLONG start = GetTickCount64();
    RunResult linear = RunOrshInteractive(lines, InputFrom::Pipe);
    const DWORD linearTime = (DWORD)(GetTickCount64() - start);
    EXPECT_EQ(linear.err.size(), 1536 * strlen("orsh: the line has 65535 characters, more than 8191; none of it ran\r\n"));
    RunResult huge = RunOrshInteractive("\xEF\xBB\xBF" "echo bom\r\necho " + std::string(96 << 20, 'a') +
                                        "\necho after", InputFrom::Pipe, 3 * linearTime);
    EXPECT_FALSE(huge.timedOut) << "96 MB in one line took more than three times the " << linearTime << " ms";
    EXPECT_EQ(huge.out, "bom\r\nafter\r\n");
    EXPECT_EQ(huge.err, "orsh: the line has 100663301 characters, more than 8191; none of it ran\r\n");
    RunResult nul = RunOrshInteractive(std::string("echo a\necho b\0c\n", 16), InputFrom::Pipe);
    EXPECT_EQ(nul.out + nul.err, "a\r\norsh: line 2 holds a NUL character; none of it ran\r\n");
    EXPECT_EQ(nul.exitCode, 1u);

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
    Script script("echo first\r\necho %_batchline\r\necho %@elevated[zz]");  // the last line without a line end
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
    std::string out, err, file;  // err: FILE as in line
    DWORD exitCode;
    std::string before = "";  // FILE's text before the line runs
    bool fullOutput = false, fullErrors = false;  // on a device that takes no byte: out, err then ""
};

// A script file's bytes in UTF-16 with its byte-order mark.
std::string Utf16(const std::wstring& text)
{
    return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

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
    // A folder first on PATH: a vornel_testhelper.bat that loses to the current folder's program, a batch file
    // that shows its first two arguments, and a script whose full path passes MAX_PATH.
    Script anchor("");
    const std::wstring onPath = anchor.path() + L".d", deep = L"\\\\?\\" + onPath + L"\\" + std::wstring(250, L'd');
    CreateDirectoryW(onPath.c_str(), nullptr);
    CreateDirectoryW(deep.c_str(), nullptr);
    std::wstring path(32767, L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), 32767));
    SetEnvironmentVariableW(L"PATH", (onPath + L";" + path).c_str());
    vornel::scope_exit restore([&] {
        SetEnvironmentVariableW(L"PATH", path.c_str());
        RemoveDirectoryW(deep.c_str());
        RemoveDirectoryW(onPath.c_str());
    });
    Script shadow("@exit /b 42\r\n", onPath + L"\\vornel_testhelper.bat");
    Script show("@echo off\r\necho \"%~1\"\r\necho \"%~2\"\r\n", onPath + L"\\vornel_show.bat");
    Script deepScript("echo long %_batchline\r\n", deep + L"\\long.btm");
    Script six("@exit /b 6\r\n", onPath + L"\\vornel_six.bat");
    // What cmd takes after /c is the batch file's path in quotes and the arguments, a caret before each &.
    const size_t room = MaxCmd - 3 - six.path().size();
    const std::wstring fits = std::wstring(room % 2, L'a') + std::wstring(room / 2, L'&');
    // A failed write is reported with the line it happened on, and only there.
    Script twoLines("echo one\r\necho two\r\nset vornel_quiet=1\r\n");
    Script errorFirst("frobnicate\r\necho next\r\n");
    const std::string fullOut = "orsh: cannot write to standard output: Disk full (error 112)\r\n";
    auto expands = [&show](const std::string& variable) {
        return "orsh: the command interpreter would expand " + variable + " before the batch file saw it; " +
               Narrow(show.path()) + " did not run\r\n";
    };
    auto batchForm = [&show](const std::string& form, const std::string& word) {
        return "orsh: the command interpreter would expand " + form + " in the word " + word +
               " inside the batch file; " + Narrow(show.path()) + " did not run\r\n";
    };
    auto device = [](const std::string& name) {
        return "orsh: the script \"" + name + "\" is a device, not a file; none of it ran\r\n";
    };
    const std::string withNul = "echo before\r\necho secret" + std::string(1, '\0') + " > FILE.new\r\n";
    const std::string unmarked = Utf16(L"echo x\r\n").substr(2);
    const LineCase cases[] = {
        {L"echo [%_?] [%errorlevel]", "[0] [0]\r\n", "", "", 0},
        {L"echo %_CLVER %_clver %_ClVer", "1.1.0.1 1.1.0.1 1.1.0.1\r\n", "", "", 0},
        {L"set vornel_t", "VORNEL_TA=1\r\nVORNEL_TB=2\r\n", "", "", 0},
        {L"set vornel_none", "", "orsh: no variable named vornel_none\r\n", "", 1},
        {L"help echo  ", "echo TEXT          writes TEXT (\"echo off\" and \"echo on\" are accepted)\r\n", "", "", 0},
        {L"help nothing", "", "orsh: no help for \"nothing\"\r\n", "", 1},
        {L"help", HelpList, "", "", 0},
        {L"-f", "", "orsh: -f needs a script file name\r\n", "", 2},
        {L"-f FILE", "h\xC3\xA9\r\n", "", Utf16(L"echo h\u00e9\r\n"), 0, Utf16(L"echo h\u00e9\r\n")},
        // What is no variable or no function call stays as it is.
        {L"echo %@abc %@[y] 5% %@path[a", "%@abc %@[y] 5% %@path[a\r\n", "", "", 0},
        {L"echo %[open", "%[open\r\n", "", "", 0},
        {L"echo " + std::wstring(8186, L'A'), std::string(8186, 'A') + "\r\n", "", "", 0},
        {L"echo " + std::wstring(8187, L'A'), "", "orsh: the line has 8192 characters, more than 8191; none of it ran\r\n",
         "", 1},
        {L"remarkable", "", "orsh: unknown command: remarkable\r\n", "", 1},
        {L"-f \"" + deepScript.path().substr(4) + L"\"", "long 1\r\n", "", "", 0},
        {L"exit abc", "", "orsh: exit needs a number, not \"abc\"\r\n", "", 1},
        {L"exit -2", "", "", "", (DWORD)-2},
        {L"exit 3000000005", "", "", "", 3000000005u},
        {L"exit 5000000000", "", "orsh: exit needs a number, not \"5000000000\"\r\n", "", 1},
        {L"echo %vornel_big%vornel_big", "",
         "orsh: the line is longer than 8191 characters once expanded; none of it ran\r\n", "", 1},
        // Redirection: operators are blank-separated words outside quotes.
        {L"echo h\u00e9 /HL:svc*|expl* > FILE", "", "", "h\xC3\xA9 /HL:svc*|expl*\r\n", 0},
        {L"echo \"a > b\" a>b \">\"", "\"a > b\" a>b \">\"\r\n", "", "", 0},
        {L"tasklist /zz 2> FILE", "", "", "Vornel plugin: Unknown option: \"/ZZ\"\r\n", 1},
        {L"tasklist /zz > FILE 2>&1", "", "", "Vornel plugin: Unknown option: \"/ZZ\"\r\n", 1},
        {L"tasklist /zz 2>&1 > FILE", "Vornel plugin: Unknown option: \"/ZZ\"\r\n", "", "", 1},
        {L"echo x > C:\\no\\such\\dir\\out.txt", "",
         "orsh: cannot open \"C:\\no\\such\\dir\\out.txt\": Path not found (error 3); the command did not run\r\n", "", 1},
        {L"echo x >", "", "orsh: a file name must follow >\r\n", "", 1},
        {L"tasklist | more", "", "orsh: this shell has no pipes (a \"|\" in quotes is an argument); the command did not run\r\n",
         "", 1},
        {L"echo lost > Z:\\dev\\full", "", "orsh: cannot write to \"Z:\\dev\\full\": Disk full (error 112)\r\n", "", 1},
        {L"echo hello", "", fullOut, "", 1, "", true},
        {L"tasklist", "", fullOut, "", 1, "", true},
        {L"-f \"" + twoLines.path() + L"\"", "", fullOut + fullOut, "", 0, "", true},
        {L"-f \"" + errorFirst.path() + L"\"", "next\r\n", "", "", 0, "", false, true},
        {L"echo hello", "", "", "", 1, "", true, true},
        {L"-f Z:\\proc\\self\\mem", "", "orsh: cannot read the script \"Z:\\proc\\self\\mem\": Not ready (error 21)\r\n", "", 2},
        // A device would give nothing or wait for ever, and so might any file that is not on a disk.
        {L"-f nul.btm", "", device("nul.btm"), "", 1},
        {L"-f C:\\windows\\AUX.txt", "", device("C:\\windows\\AUX.txt"), "", 1},
        {L"-f com1", "", device("com1"), "", 1},
        {L"-f Con.x.btm", "", device("Con.x.btm"), "", 1},
        {L"-f lpt1", "", device("lpt1"), "", 1},
        {L"-f Z:\\dev\\zero", "", "orsh: the script \"Z:\\dev\\zero\" is not a file on a disk; none of it ran\r\n", "", 1},
        // A NUL would cut the line short, redirection and all; without a mark UTF-16 would run as garbage.
        {L"-f FILE", "before\r\n", "orsh: line 2 holds a NUL character; none of it ran\r\n", withNul, 1, withNul},
        {L"-f FILE", "", "orsh: the script \"FILE\" looks like UTF-16 without its byte-order mark (save it with the mark, or "
                        "as UTF-8); none of it ran\r\n", unmarked, 1, unmarked},
        // Every file opens before any is emptied; one file takes not both streams.
        {L"echo new > FILE 2> C:\\windows", "",
         "orsh: cannot open \"C:\\windows\": Access denied (error 5); the command did not run\r\n", "precious\r\n", 1,
         "precious\r\n"},
        {L"echo new > FILE 2>> FILE", "",
         "orsh: the output and the errors cannot both go to \"FILE\" (use 2>&1); the command did not run\r\n",
         "precious\r\n", 1, "precious\r\n"},
        // A refused line leaves no file it created (FILE.new, checked after every row).
        {L"echo x > FILE.new 2> C:\\windows", "",
         "orsh: cannot open \"C:\\windows\": Access denied (error 5); the command did not run\r\n", "", 1},
        {L"echo w > FILE.new 2> FILE.NEW", "",
         "orsh: the output and the errors cannot both go to \"FILE.NEW\" (use 2>&1); the command did not run\r\n", "", 1},
        {L"echo v >> FILE.new 2>> FILE.new", "",
         "orsh: the output and the errors cannot both go to \"FILE.new\" (use 2>&1); the command did not run\r\n", "", 1},
        {L"echo u > FILE.new 2>&1 2> FILE.new", "",
         "orsh: the output and the errors cannot both go to \"FILE.new\" (use 2>&1); the command did not run\r\n", "", 1},
        // Programs: the current folder (the bin folder here) before PATH, PATHEXT.
        {L"vornel_testhelper --exit-code 5 > FILE", "", "", "ready", 5},
        {L"cmd /c exit 3", "", "", "", 3},
        {L"C:\\windows\\system32\\cmd /c echo prog>FILE", "", "", "prog\r\n", 0},
        {L"nosuchprogram /x", "", "orsh: unknown command: nosuchprogram\r\n", "", 1},
        {L"start nosuchprogram", "", "orsh: unknown command: nosuchprogram\r\n", "", 1},
        {L"start \"a title\" nosuchprogram", "", "orsh: unknown command: nosuchprogram\r\n", "", 1},
        {L"start \"a title\"", "", "orsh: usage: start [\"TITLE\"] PROGRAM [ARGUMENTS]\r\n", "", 1},
        // A batch file gets its arguments as typed, cmd's operators and all.
        {L"vornel_show a&echo INJECTED", "\"a&echo\"\r\n\"INJECTED\"\r\n", "", "", 0},
        {L"vornel_show a|x>y(d^e) \"b&c\"", "\"a|x>y(d^e)\"\r\n\"b&c\"\r\n", "", "", 0},
        {L"vornel_show.bat %%windir%%", "", expands("%windir%"), "", 1},
        {L"vornel_show.bat %%pRoMpT%%", "", expands("%pRoMpT%"), "", 1},
        {L"vornel_show.bat %%cd%%", "", expands("%cd%"), "", 1},
        {L"vornel_show.bat %%CD%%", "", expands("%CD%"), "", 1},
        {L"vornel_show.bat %%Cd%%", "", expands("%Cd%"), "", 1},
        // The batch file's own forms, which cmd would expand again inside it.
        {L"vornel_show '%%~dp0'", "", batchForm("%~", "'%~dp0'"), "", 1},
        {L"vornel_show '%%%%1'", "", batchForm("%1", "'%%1'"), "", 1},
        {L"vornel_show x a%%*b", "", batchForm("%*", "a%*b"), "", 1},
        // Words that cmd would split at ; , or = reach the batch file whole.
        {L"vornel_show x;y&z a,b=\"c d\"", "\"x;y&z\"\r\n\"a,b=c d\"\r\n", "", "", 0},
        {L"vornel_show a=b c", "\"a=b\"\r\n\"c\"\r\n", "", "", 0},
        // cmd takes so many characters once the carets are in, and not one more.
        {L"vornel_six " + fits, "", "", "", 6},
        {L"vornel_six " + fits + L"a", "",
         "orsh: the command interpreter would get " + std::to_string(MaxCmd + 1) + " characters once escaped, more than " +
             std::to_string(MaxCmd) + "; " + Narrow(six.path()) + " did not run\r\n", "", 1},
    };
    for (const LineCase& c : cases) {
        Script file(c.before);
        const std::wstring line = WithFile(c.line, file.path());
        RunResult r = c.fullOutput || c.fullErrors ? RunOrshOnFullDevice(line, c.fullOutput, c.fullErrors)
                                                   : RunOrsh(line);
        SCOPED_TRACE(Narrow(c.line.substr(0, 60)));
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, Narrow(WithFile(Widen(c.err), file.path())));
        if (c.file == "ready")  // the helper's report ends with "ready"
            EXPECT_NE(file.Read().find("ready"), std::string::npos) << file.Read();
        else
            EXPECT_EQ(file.Read(), c.file);
        EXPECT_EQ(GetFileAttributesW((file.path() + L".new").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(r.exitCode, c.exitCode);
    }
    for (const wchar_t* name : {L"_", L"VORNEL_TA", L"VORNEL_TB", L"VORNEL_BIG"})
        SetEnvironmentVariableW(name, nullptr);
}

TEST(Shell, ScriptLines)
{
    Script batch("@exit /b 9\r\n");
    std::wstring batchFile = batch.path() + L".bat";
    MoveFileW(batch.path().c_str(), batchFile.c_str());
    Script out("");
    std::string file = Narrow(out.path());
    Script script("@echo off\r\nrem %@elevated[zz] > " + file + "\r\n:: %@elevated[zz]\r\n@echo one\r\nREM\r\n"
                  "echo a > " + file + "\r\necho b >> " + file + "\r\necho lost > Z:\\dev\\full\r\necho c >> " + file +
                  "\r\necho %errorlevel\r\nfrobnicate\r\necho %errorlevel %_?\r\n"
                  "set errorlevel=42\r\necho %errorlevel %_?\r\nset errorlevel=\r\n\"" +
                  Narrow(batchFile) + "\"\r\necho %errorlevel\r\ntasklist /zz\r\n:: the result stays\r\n"
                  // cmd defines COMSPEC as it starts when the shell has none.
                  "set comspec=\r\n\"" + Narrow(batchFile) + "\" %%comspec%%\r\n");
    RunResult r = RunOrsh(L"-f \"" + script.path() + L"\"");
    DeleteFileW(batchFile.c_str());
    // A failed write is reported once: the next line writes, and succeeds.
    EXPECT_EQ(r.out, "one\r\n0\r\n1 1\r\n42 0\r\n9\r\n");
    EXPECT_EQ(r.err, "orsh: cannot write to \"Z:\\dev\\full\": Disk full (error 112)\r\n"
                     "orsh: unknown command: frobnicate\r\nVornel plugin: " + Narrow(script.path()) +
                         " [18]  Unknown option: \"/ZZ\"\r\norsh: the command interpreter would expand %comspec% "
                         "before the batch file saw it; " + Narrow(batchFile) + " did not run\r\n");
    EXPECT_EQ(out.Read(), "a\r\nb\r\nc\r\n");
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
    // The ID printed is the started program's own: the helper reports it too.
    EXPECT_NE(r.out.find("pid " + std::to_string(atoi(r.out.c_str() + at + 11)) + "\r\n"), std::string::npos) << r.out;
}

// Shells appending to one file at once keep every line whole: eight write the same hundred lines while a
// ninth writer, taking the lock the shells take (a byte far past the end), writes its line in two parts. It
// lets go only after every shell has begun (written its own marker file) and had a second more, so a shell
// that appended without the lock would land inside that line on every run.
TEST(Shell, ConcurrentAppendsKeepEveryLine)
{
    Script out("");
    vornel::unique_hfile ninth(CreateFileW(out.path().c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    OVERLAPPED range{};
    range.OffsetHigh = 0x40000000;  // 2^62 bytes in, as the host's writer takes it
    DWORD done;
    ASSERT_TRUE(LockFileEx(ninth.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &range));
    ASSERT_TRUE(WriteFile(ninth.get(), "ninth ", 6, &done, nullptr));

    std::string text;
    std::map<std::string, int> expected{{"ninth writer", 1}}, kept;
    for (int l = 0; l < 100; ++l) {
        expected["line " + std::to_string(l)] = 8;
        text += "echo line " + std::to_string(l) + " >> " + Narrow(out.path()) + "\r\n";
    }
    std::vector<std::unique_ptr<Script>> markers, scripts;
    std::thread shells[8];
    for (std::thread& shell : shells) {
        markers.push_back(std::make_unique<Script>(""));
        DeleteFileW(markers.back()->path().c_str());
        scripts.push_back(std::make_unique<Script>("echo > " + Narrow(markers.back()->path()) + "\r\n" + text));
        shell = std::thread([path = scripts.back()->path()] { RunOrsh(L"-f \"" + path + L"\""); });
    }
    for (const auto& marker : markers)
        for (int i = 0; i < 600 && GetFileAttributesW(marker->path().c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
            Sleep(100);
    Sleep(1000);
    EXPECT_TRUE(WriteFile(ninth.get(), "writer\r\n", 8, &done, nullptr));
    UnlockFileEx(ninth.get(), 0, 1, 0, &range);
    ninth.reset();
    for (std::thread& shell : shells)
        shell.join();
    const std::string written = out.Read();
    for (size_t start = 0, end; (end = written.find("\r\n", start)) != std::string::npos; start = end + 2)
        ++kept[written.substr(start, end - start)];
    EXPECT_TRUE(kept == expected) << kept.size() << " distinct lines of 101; the first: " << written.substr(0, 40);
}

}  // namespace
