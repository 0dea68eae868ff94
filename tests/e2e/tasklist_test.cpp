// TASKLIST through the shell against processes the test starts: selection by
// ID, name, title and owner; every column; trees, threads and modules; the
// orders; the help texts; and every rejected command line with its code.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/process_runner.h"

using namespace vornel::test;

namespace {

constexpr char Name[] = "vornel_testhelper";  // 17 characters: no padding
constexpr char Title[] = "Vornel Title";

std::string Dec(DWORD value, const char* format = "%5u")
{
    char text[32];
    snprintf(text, sizeof text, format, value);
    return text;
}

std::wstring W(const std::string& text) { return Widen(text); }

std::string Footer(unsigned processes)
{
    return "\r\n   Found " + std::to_string(processes) + (processes == 1 ? " process.\r\n" : " processes.\r\n");
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string UserName()
{
    wchar_t name[256];
    DWORD size = 256;
    GetUserNameW(name, &size);
    return Narrow(name);
}

// One helper for the whole suite: a parent with a window and two extra
// threads, two children with one child each.
class Tasklist : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        helper = new Helper(
            L"--children 2 --grandchildren 1 --threads 2 --window \"Vornel Title|VornelTaskClass|1|0\"");
    }
    static void TearDownTestSuite()
    {
        delete helper;
        helper = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(helper->ready());
        ASSERT_EQ(helper->children().size(), 4u);
    }

    static DWORD pid() { return helper->pid(); }
    // Reported in the order: grandchild 1, child 1, grandchild 2, child 2.
    static DWORD child(int i) { return helper->children()[i == 1 ? 1 : 3]; }
    static DWORD grandchild(int i) { return helper->children()[i == 1 ? 0 : 2]; }
    static std::wstring Select() { return L" =" + std::to_wstring(pid()); }

    static RunResult Expect(const std::wstring& args, const std::string& out, DWORD code = 0)
    {
        RunResult r = RunOrsh(L"tasklist " + args);
        EXPECT_EQ(r.out, out) << Narrow(args);
        EXPECT_EQ(r.err, "") << Narrow(args);
        EXPECT_EQ(r.exitCode, code) << Narrow(args);
        return r;
    }
    static void ExpectError(const std::wstring& args, const std::string& message)
    {
        RunResult r = RunOrsh(L"tasklist " + args);
        EXPECT_EQ(r.out, "") << Narrow(args);
        EXPECT_EQ(r.err, "Vornel plugin: " + message + "\r\n") << Narrow(args);
        EXPECT_EQ(r.exitCode, 1u) << Narrow(args);
    }

    static Helper* helper;
};

Helper* Tasklist::helper = nullptr;

TEST_F(Tasklist, ProcessIdSelectsOneProcessInDecimalOrHex)
{
    std::string line = Dec(pid()) + "  " + Name + "  " + Title + "\r\n";
    Expect(Select(), line + Footer(1));
    wchar_t hex[16];
    wsprintfW(hex, L" =0x%x", pid());
    Expect(hex, line + Footer(1));
    // A bare number that is a live process ID selects by ID too.
    Expect(std::to_wstring(pid()), line + Footer(1));
    Expect(L"=4000000000", Footer(0));
    Expect(L"/N:F" + Select(), line);
}

TEST_F(Tasklist, NameAndTitleSelection)
{
    RunResult byName = RunOrsh(L"tasklist /O:P vornel_test*");
    std::vector<DWORD> pids = {pid(), child(1), child(2), grandchild(1), grandchild(2)};
    std::sort(pids.begin(), pids.end());
    std::string expected;
    for (DWORD p : pids)
        expected += Dec(p) + "  " + Name + (p == pid() ? std::string("  ") + Title : "") + "\r\n";
    EXPECT_EQ(byName.out, expected + Footer(5));

    // The name without its extension; with the extension nothing matches.
    Expect(L"/O:P VORNEL_TESTHELPER /N:F", expected);
    Expect(L"vornel_testhelper.exe", Footer(0));
    // The window title matches unless /N:D.
    Expect(L"\"vornel tit*\"", Dec(pid()) + "  " + Name + "  " + Title + "\r\n" + Footer(1));
    Expect(L"/N:D \"vornel tit*\"", Footer(0));
    // A name can hold several patterns.
    Expect(L"/N:F \"nothing*|vornel ti*\"", Dec(pid()) + "  " + Name + "  " + Title + "\r\n");
}

TEST_F(Tasklist, OwnerFilterAndColumn)
{
    std::string user = UserName();
    char owner[64];
    snprintf(owner, sizeof owner, "%-17s ", user.c_str());
    Expect(L"/U" + Select(), Dec(pid()) + "  " + owner + Name + "  " + Title + "\r\n" + Footer(1));
    Expect(L"/U:" + W(user) + Select(), Dec(pid()) + "  " + Name + "  " + Title + "\r\n" + Footer(1));
    Expect(L"/U:nobody_at_all" + Select(), Footer(0));
    // An empty owner pattern clears an earlier one and adds no column.
    Expect(L"/U:nobody_at_all /U:" + Select(), Dec(pid()) + "  " + Name + "  " + Title + "\r\n" + Footer(1));
}

TEST_F(Tasklist, OwnProcessByFullStop)
{
    RunResult r = RunOrsh(L"tasklist .");
    std::vector<std::string> lines = SplitLines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0].substr(5), "* orsh            ");
    EXPECT_EQ(r.exitCode, 0u);
}

TEST_F(Tasklist, FixedColumns)
{
    std::string start = Dec(pid()) + "  ";
    std::string tail = std::string(Name) + "  " + Title + "\r\n";
    std::string parent = Dec(GetCurrentProcessId()) + " ";
    // Wine gives every process normal priority, high integrity and an
    // elevated 64-bit token.
    Expect(L"/N:F /C" + Select(), start + "  20  " + tail);
    Expect(L"/N:F /CC" + Select(), start + "Normal    " + tail);
    Expect(L"/N:F /I" + Select(), start + "Hi   " + tail);
    Expect(L"/N:F /E" + Select(), start + "\xE2\x86\x91  " + tail);
    Expect(L"/N:F /B" + Select(), start + "  " + tail);
    Expect(L"/N:F /Z" + Select(), start + parent + tail);
    Expect(L"/N:F /N" + Select(), start + "VornelTaskClass       " + tail);
    Expect(L"/N:F /NN" + Select(), start + "VornelTaskClass       " + tail);
    Expect(L"/N:F /X /Z" + Select(), Dec(pid(), "%5X") + "  " + Dec(GetCurrentProcessId(), "%5X") + " " + tail);
    // The columns keep their order whatever the order of the switches.
    Expect(L"/N:F /Z /I /CC" + Select(), start + parent + "Normal    Hi   " + tail);
}

TEST_F(Tasklist, MeasuredColumns)
{
    RunResult r = RunOrsh(L"tasklist /N:F /T /M" + Select());
    std::string start = Dec(pid()) + "  ";
    ASSERT_EQ(r.out.substr(0, start.size()), start);
    std::string rest = r.out.substr(start.size());
    // Two times of the form h:mm:ss.mmm right-aligned in 12, then the
    // working set in bytes right-aligned in 11.
    ASSERT_GE(rest.size(), 28u + 13u);
    for (int i : {0, 14}) {
        std::string time = rest.substr(i, 12);
        EXPECT_EQ(time.substr(time.size() - 4, 1), ".") << time;
        EXPECT_EQ(rest.substr(i + 12, 2), "  ");
    }
    EXPECT_GT(std::stoull(rest.substr(28, 11)), 100000ULL);
    EXPECT_EQ(rest.substr(39), "  " + std::string(Name) + "  " + Title + "\r\n");

    RunResult m = RunOrsh(L"tasklist /N:F /M /MM" + Select());
    std::string shortSize = m.out.substr(start.size(), 7);
    EXPECT_EQ(shortSize.substr(4), "M  ") << m.out;
    EXPECT_GT(std::stoul(shortSize.substr(0, 4)), 0ul);
    // The last of /M and /MM decides.
    RunResult longAgain = RunOrsh(L"tasklist /N:F /MM /M" + Select());
    EXPECT_EQ(longAgain.out.size(), start.size() + 13 + std::string(Name).size() + 2 + 12 + 2);
}

TEST_F(Tasklist, FileNameAndCommandLine)
{
    std::string path = Narrow(BinPath(L"vornel_testhelper.exe"));
    RunResult f = RunOrsh(L"tasklist /N:F /F" + Select());
    EXPECT_EQ(_stricmp(f.out.c_str(), (Dec(pid()) + "  " + Name + "  " + path + "\r\n").c_str()), 0) << f.out;

    RunResult l = RunOrsh(L"tasklist /N:F /L =" + std::to_wstring(child(1)));
    std::string prefix = Dec(child(1)) + "  " + Name + "  \"";
    EXPECT_EQ(l.out.substr(0, prefix.size()), prefix) << l.out;
    EXPECT_NE(l.out.find("--tag child1 --signal"), std::string::npos) << l.out;
    // /L wins over /F.
    RunResult both = RunOrsh(L"tasklist /N:F /F /L =" + std::to_wstring(child(1)));
    EXPECT_EQ(both.out, l.out);
}

TEST_F(Tasklist, TreeOfANamedProcess)
{
    // Children in ID order, so the expected tree does not depend on where
    // the snapshot puts them.
    DWORD c1 = child(1), c2 = child(2), g1 = grandchild(1), g2 = grandchild(2);
    if (c2 < c1) {
        std::swap(c1, c2);
        std::swap(g1, g2);
    }
    std::string tree = Dec(pid()) + "  " + Name + "  " + Title + "\r\n" +  //
                       "  \xE2\x94\x9C\xE2\x94\x80" + Dec(c1) + "  " + Name + "\r\n" +
                       "  \xE2\x94\x82 \xE2\x94\x94\xE2\x94\x80" + Dec(g1) + "  " + Name + "\r\n" +
                       "  \xE2\x94\x94\xE2\x94\x80" + Dec(c2) + "  " + Name + "\r\n" +
                       "    \xE2\x94\x94\xE2\x94\x80" + Dec(g2) + "  " + Name + "\r\n";
    Expect(L"/R /O" + Select(), tree + Footer(5));

    // A match inside another match's tree is printed again on its own.
    std::vector<std::string> lines = SplitLines(RunOrsh(L"tasklist /R /N:F vornel_testhelper").out);
    size_t roots = std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.empty(); }) + 1;
    EXPECT_EQ(roots, 5u);
    EXPECT_EQ(lines.size(), 5u + 2u + 1u + 2u + 1u + 4u);  // five trees, four gaps
}

TEST_F(Tasklist, TreeOfAllProcessesHangsTheHelperUnderItsParent)
{
    RunResult r = RunOrsh(L"tasklist /R /N:F");
    std::string me = Dec(GetCurrentProcessId()) + "  e2e_tests";
    std::string helperLine = Dec(pid()) + "  " + Name;
    size_t at = r.out.find(helperLine);
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(helperLine, at + 1), std::string::npos);
    // The helper's line has a connector in front of it, and its parent's
    // line comes before it.
    EXPECT_NE(r.out.rfind("\r\n", at), at - 2) << r.out;
    EXPECT_LT(r.out.find(me), at);
}

TEST_F(Tasklist, ThreadsFlatAndInTheTree)
{
    RunResult flat = RunOrsh(L"tasklist /H /O" + Select());
    std::vector<std::string> lines = SplitLines(flat.out);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], Dec(pid()) + "  " + Name + "  " + Title);
    size_t threads = 0;
    while (1 + threads < lines.size() && lines[1 + threads].rfind("        TID: ", 0) == 0)
        ++threads;
    // The main thread, the input watcher and the two extra threads at least.
    EXPECT_GE(threads, 4u);
    for (DWORD tid : helper->threads())
        EXPECT_NE(flat.out.find("        TID: " + Dec(tid, "%7u") + "    Priority: "), std::string::npos);
    // Sorted by ID with /O.
    for (size_t i = 2; i <= threads; ++i)
        EXPECT_LT(std::stoul(lines[i - 1].substr(13, 7)), std::stoul(lines[i].substr(13, 7)));
    EXPECT_EQ(lines.back(), "   Found 1 process and " + std::to_string(threads) + " threads.");

    // In the tree the thread lines carry the bar of the children below.
    RunResult tree = RunOrsh(L"tasklist /R /H /X" + Select());
    wchar_t tid[16];
    wsprintfW(tid, L"%08X", helper->threads()[0]);
    EXPECT_NE(tree.out.find("  \xE2\x94\x82     TID: " + Narrow(tid) + "    Priority: "), std::string::npos)
        << tree.out;
}

TEST_F(Tasklist, ModulesUnderTheProcessLine)
{
    RunResult d = RunOrsh(L"tasklist /D /N:F" + Select());
    std::vector<std::string> lines = SplitLines(d.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], Dec(pid()) + "  " + Name + "  " + Title);
    std::string image = Narrow(BinPath(L"vornel_testhelper.exe"));
    EXPECT_EQ(lines[1].substr(0, 1), "\t");
    EXPECT_EQ(_stricmp(lines[1].c_str() + 1, image.c_str()), 0) << lines[1];
    EXPECT_NE(d.out.find("\\ntdll.dll\r\n"), std::string::npos);

    RunResult da = RunOrsh(L"tasklist /DA /N:F" + Select());
    std::vector<std::string> based = SplitLines(da.out);
    ASSERT_EQ(based.size(), lines.size());
    for (size_t i = 1; i < based.size(); ++i) {
        EXPECT_EQ(based[i].substr(0, 1), "\t");
        EXPECT_EQ(based[i].find_first_not_of("0123456789ABCDEF", 1), 9u) << based[i];
        EXPECT_EQ(based[i].substr(9), "  " + lines[i].substr(1));
    }
}

TEST_F(Tasklist, SortKeys)
{
    auto pids = [](const std::string& out) {
        std::vector<DWORD> result;
        for (const std::string& line : SplitLines(out))
            if (!line.empty() && line[0] != '\t' && line.find("Found") == std::string::npos)
                result.push_back(std::stoul(line.substr(0, 6)));
        return result;
    };
    std::vector<DWORD> ascending = pids(RunOrsh(L"tasklist /O:P vornel_testhelper").out);
    std::vector<DWORD> descending = pids(RunOrsh(L"tasklist /O:-P vornel_testhelper").out);
    ASSERT_EQ(ascending.size(), 5u);
    EXPECT_TRUE(std::is_sorted(ascending.begin(), ascending.end()));
    EXPECT_EQ(descending, std::vector<DWORD>(ascending.rbegin(), ascending.rend()));
    // By title: the four without a window first (by ID for the tie), the
    // helper last; reversed, the helper first.
    std::vector<DWORD> byTitle = pids(RunOrsh(L"tasklist /O:TP vornel_testhelper").out);
    ASSERT_EQ(byTitle.size(), 5u);
    EXPECT_EQ(byTitle.back(), pid());
    EXPECT_EQ(pids(RunOrsh(L"tasklist /O:-TP vornel_testhelper").out).front(), pid());
    // By parent, then ID.
    std::vector<std::pair<DWORD, DWORD>> family = {{GetCurrentProcessId(), pid()},
                                                   {pid(), child(1)},
                                                   {pid(), child(2)},
                                                   {child(1), grandchild(1)},
                                                   {child(2), grandchild(2)}};
    std::sort(family.begin(), family.end());
    std::vector<DWORD> byParent;
    for (const auto& member : family)
        byParent.push_back(member.second);
    EXPECT_EQ(pids(RunOrsh(L"tasklist /O:ZP vornel_testhelper").out), byParent);
    // By name, then ID: only helpers match, so the ID decides.
    EXPECT_EQ(pids(RunOrsh(L"tasklist /O:NP vornel_testhelper").out), ascending);
}

const char UsageText[] =
    "List running processes.\n\nTASKLIST /C /D /E /F /H /I /L /M /N /N: /O: /P /R /T /U /U: /X /Z name\r\n\n"
    "\t/C\tshow priority classes\n\t/D\tdump module names\n"
    "\t/E\tshow extra info:  \xE2\x86\x91 elevated, \xC2\xBB 32-bit\n\t/F\tshow filenames\n"
    "\t/H\tlist threads\n\t/I\tshow code integrity levels\n\t/L\tshow startup command lines\n"
    "\t/M\tshow memory usage; /MM short format\n\t/N\tshow window class names\n"
    "\t/N:\tdisable features; /N? for more info\n\t/O:\tsort processes;   /O? for more info\n"
    "\t/P\tpage output\n\t/R\tshow a process tree\n\t/T\tshow kernel and user-mode times\n"
    "\t/U\tdisplay owner names\n\t/U:\tonly list if owner name matches\n\t/X\tshow process IDs in hexadecimal\n"
    "\t/Z\tshow parent process IDs\n\nname may be a process name, window title, or =PID.\n";
const char DisableHelp[] =
    "TASKLIST /N:  \xE2\x80\x94 disable features\n\n\tC\tno highlight\n\tD\tdo not match display names\n"
    "\tF\tno footer\n\tS\tdo not collect service names\n\tW\tdo not collect window names\n";
const char SortHelp[] =
    "TASKLIST /O:  \xE2\x80\x94 sort processes\n\n\tN\tby process name\n\tP\tby process ID\n"
    "\tT\tby window title or service name\n\tZ\tby parent process ID\n\t-\treverses the following key\n";

TEST_F(Tasklist, HelpTexts)
{
    Expect(L"/?", UsageText);
    Expect(L"/x /?", UsageText);
    Expect(L"/??", std::string(UsageText) +
                       "\r\n\t\t\t\tVornel  1.0.25.3 (x64)\r\n\t\t\t\tplugin.cpp  1.0.25.2\r\n");
    Expect(L"/N?", DisableHelp);
    Expect(L"/n:c?", DisableHelp);
    Expect(L"/O?", SortHelp);
    Expect(L"/O:N?", SortHelp);
}

TEST_F(Tasklist, RejectedCommandLines)
{
    ExpectError(L"/Q", "Unknown option: \"/Q\"");
    ExpectError(L"/q /?", "Unknown option: \"/Q\"");
    ExpectError(L"/HX", "Unknown option: \"/HX\"");
    ExpectError(L"a b", "Syntax error: \"B\"");
    ExpectError(L"/HL", "Syntax error: \"/HL\"");
    ExpectError(L"/HLCMD", "Syntax error: \"/HLCMD\"");
    ExpectError(L"/N:CQ", "Unknown suboption: /N:Q");
    ExpectError(L"/O:Q", "Bad sort key: /O:Q");
    ExpectError(L"/P:x", "Syntax error: \"/P:X\"");
    ExpectError(L"/P:5,1001", "Pause lines must be 0 - 1000: 1001");
    ExpectError(L"/P:5,y", "Syntax error: \"/P:5,Y\"");
}

TEST_F(Tasklist, AcceptedOddities)
{
    std::string line = Dec(pid()) + "  " + Name + "  " + Title + "\r\n";
    // Switches run together and in lower case; /HL: without a pattern;
    // /O:U leaves snapshot order; /P without a console pages nothing.
    Expect(L"/n:f/x" + Select(), Dec(pid(), "%5X") + "  " + Name + "  " + Title + "\r\n");
    Expect(L"/HL: /HL:vornel* /O:U /P" + Select(), line + Footer(1));
    Expect(L"/N:SW" + Select(), Dec(pid()) + "  " + Name + "\r\n" + Footer(1));
}

// Below major version 6 there is no integrity column and no elevation mark;
// the 32-bit mark stays.
TEST_F(Tasklist, OldWindowsDropIntegrityAndElevation)
{
    OSVERSIONINFOW version{sizeof version};
    GetVersionExW(&version);
    std::string tail = std::string(Name) + "  " + Title + "\r\n";
    if (version.dwMajorVersion >= 6)
        Expect(L"/N:F /I /E" + Select(), Dec(pid()) + "  Hi   \xE2\x86\x91  " + tail);
    else
        Expect(L"/N:F /I /E" + Select(), Dec(pid()) + "    " + tail);
}

}  // namespace
