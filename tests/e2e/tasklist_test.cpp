// TASKLIST through the shell against processes the test starts: selection by
// ID, name, title and owner; every column; trees, threads and modules; the
// orders; the help texts; and every rejected command line with its code.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/process_runner.h"
#include "tests/support/test_service.h"

using namespace vornel::test;

namespace {

constexpr char Name[] = "vornel_testhelper";  // 17 characters: no padding
const std::string Tail = std::string(Name) + "  Vornel Title\r\n";  // name and title columns

std::string Dec(DWORD value, const char* format = "%5u")
{
    char text[32];
    snprintf(text, sizeof text, format, value);
    return text;
}

std::string Footer(unsigned processes)
{
    return "\r\n   Found " + std::to_string(processes) + (processes == 1 ? " process.\r\n" : " processes.\r\n");
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
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
    static void TearDownTestSuite() { delete helper; }
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
    // The helper's line with `columns` between its ID and its name.
    static std::string Line(const std::string& columns = "") { return Dec(pid()) + "  " + columns + Tail; }

    static void Expect(const std::wstring& args, const std::string& out, const std::string& err = "",
                       DWORD code = 0)
    {
        RunResult r = RunOrsh(L"tasklist " + args);
        EXPECT_EQ(r.out, out) << Narrow(args);
        EXPECT_EQ(r.err, err) << Narrow(args);
        EXPECT_EQ(r.exitCode, code) << Narrow(args);
    }

    static inline Helper* helper = nullptr;
};

TEST_F(Tasklist, ProcessIdSelectsOneProcess)
{
    // A bare number that is a live process ID selects by ID too.
    for (const std::wstring& args : {Select(), Widen(Dec(pid(), " =0x%x")), std::to_wstring(pid())})
        Expect(args, Line() + Footer(1));
    Expect(L"=4000000000", Footer(0));
    // Full-width digits are no ID: a name that no process has.
    for (const std::wstring& args : {FullWidthDigits(pid()), L"=" + FullWidthDigits(pid())})
        Expect(args, Footer(0));
    Expect(L"/N:F" + Select(), Line());

    // A full stop is the shell's own process.
    RunResult r = RunOrsh(L"tasklist .");
    std::vector<std::string> lines = SplitLines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0].substr(5), "* orsh            ");
    EXPECT_EQ(r.exitCode, 0u);
}

TEST_F(Tasklist, NameAndTitleSelection)
{
    std::vector<DWORD> pids = {pid(), child(1), child(2), grandchild(1), grandchild(2)};
    std::sort(pids.begin(), pids.end());
    std::string expected;
    for (DWORD p : pids)
        expected += p == pid() ? Line() : Dec(p) + "  " + Name + "\r\n";
    Expect(L"/O:P vornel_test*", expected + Footer(5));
    // The name without its extension; with the extension nothing matches.
    Expect(L"/O:P VORNEL_TESTHELPER /N:F", expected);
    Expect(L"vornel_testhelper.exe", Footer(0));
    // The window title matches unless /N:D; a name can hold several patterns.
    Expect(L"\"vornel tit*\"", Line() + Footer(1));
    Expect(L"/N:D \"vornel tit*\"", Footer(0));
    Expect(L"/N:F \"nothing*|vornel ti*\"", Line());
}

TEST_F(Tasklist, OwnerFilterAndColumn)
{
    wchar_t user[256];
    DWORD size = 256;
    GetUserNameW(user, &size);
    char owner[64];
    snprintf(owner, sizeof owner, "%-17s ", Narrow(user).c_str());
    Expect(L"/U" + Select(), Line(owner) + Footer(1));
    // An empty owner pattern clears an earlier one and adds no column.
    for (const std::wstring& args : {L"/U:" + std::wstring(user), std::wstring(L"/U:nobody_at_all /U:")})
        Expect(args + Select(), Line() + Footer(1));
    Expect(L"/U:nobody_at_all" + Select(), Footer(0));
}

TEST_F(Tasklist, FixedColumns)
{
    // Wine gives every process normal priority and high integrity; the
    // integrity and elevation columns are checked by the OldWindows test.
    const std::string parent = Dec(GetCurrentProcessId()) + " ";
    const struct {
        const wchar_t* args;
        std::string columns;
    } cases[] = {
        {L"/C", "  20  "}, {L"/CC", "Normal    "}, {L"/B", "  "}, {L"/Z", parent},
        {L"/N", "VornelTaskClass       "}, {L"/NN", "VornelTaskClass       "},
        // The columns keep their order whatever the order of the switches.
        {L"/Z /I /CC", parent + "Normal    Hi   "},
    };
    for (const auto& c : cases)
        Expect(L"/N:F " + std::wstring(c.args) + Select(), Line(c.columns));

    // A class wider than the column: /NN cuts it, /N shows it whole.
    Helper wide(L"--window \"Wide|VornelClassWiderThanItsColumn|1|0\"");
    ASSERT_TRUE(wide.ready());
    for (auto [args, column] : {std::pair{L"/NN", "VornelClassWiderThan  "}, {L"/N", "VornelClassWiderThanItsColumn  "}})
        Expect(L"/N:F " + std::wstring(args) + L" =" + std::to_wstring(wide.pid()),
               Dec(wide.pid()) + "  " + column + Name + "  Wide\r\n");

    // Processes that set their own priority class.
    for (auto [priorityClass, word] : {std::pair{L"0x40", "Idle    "}, {L"0x8000", "Above   "}, {L"0x80", "High    "},
                                       {L"0x100", "Realtime"}}) {
        Helper own(L"--priority " + std::wstring(priorityClass));
        ASSERT_TRUE(own.ready());
        Expect(L"/N:F /CC =" + std::to_wstring(own.pid()), Dec(own.pid()) + "  " + word + "  " + Name + "\r\n");
    }
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
        EXPECT_EQ(rest[i + 8], '.') << rest;
        EXPECT_EQ(rest.substr(i + 12, 2), "  ");
    }
    EXPECT_GT(std::stoull(rest.substr(28, 11)), 100000ULL);
    EXPECT_EQ(rest.substr(39), "  " + Tail);

    RunResult m = RunOrsh(L"tasklist /N:F /M /MM" + Select());
    std::string shortSize = m.out.substr(start.size(), 7);
    EXPECT_EQ(shortSize.substr(4), "M  ") << m.out;
    EXPECT_GT(std::stoul(shortSize.substr(0, 4)), 0ul);
    // The last of /M and /MM decides.
    EXPECT_EQ(RunOrsh(L"tasklist /N:F /MM /M" + Select()).out.size(), Line().size() + 13);

    // Each process's own times, kernel and user added: a helper that has
    // used a known CPU time shows at least that, an idle one far less.
    constexpr unsigned spun = 1000;
    Helper spinner(L"--spin-ms " + std::to_wstring(spun));
    ASSERT_TRUE(spinner.ready());
    auto milliseconds = [](DWORD p) {
        std::string times = RunOrsh(L"tasklist /N:F /T =" + std::to_wstring(p)).out.substr(7, 28);
        unsigned total = 0;
        for (int i : {0, 14}) {
            unsigned h, m, s, ms;
            EXPECT_EQ(sscanf(times.c_str() + i, "%u:%u:%u.%u", &h, &m, &s, &ms), 4) << times;
            total += ((h * 60 + m) * 60 + s) * 1000 + ms;
        }
        return total;
    };
    const unsigned busy = milliseconds(spinner.pid()), idle = milliseconds(grandchild(1));
    EXPECT_GE(busy, spun);
    EXPECT_LT(busy, 2 * spun);
    EXPECT_LT(idle, spun / 4);
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
    EXPECT_EQ(RunOrsh(L"tasklist /N:F /F /L =" + std::to_wstring(child(1))).out, l.out);
    // Every column: more than a pipe's 120, yet the command line keeps 20 of them.
    RunResult all = RunOrsh(L"tasklist /U /C /I /T /M /NN /E /Z /L /N:F =" + std::to_wstring(child(1)));
    std::string tail = std::string(Name) + "  \"" + path.substr(0, 16) + "...\r\n";
    EXPECT_EQ(_stricmp(all.out.substr(all.out.size() - std::min(all.out.size(), tail.size())).c_str(), tail.c_str()), 0)
        << all.out;
}

// Other programs' texts with escape sequences that recolour or retitle a terminal, a bell, a C1
// CSI, DEL, a tab, a line feed and a zero: one "?" each, in every listing, the columns unchanged.
TEST(ForeignText, ControlCharactersAreWrittenAsMarks)
{
    const std::wstring hostile = L"\x1b[41mR\x1b]0;T\x07\x12\x9B" L"2J\x7F\t\n", escape = L"\x1b[41m\x11";
    const std::wstring file = BinPath(L"vornel_\x9B" L"2J.exe"), service = L"VsvEsc" + escape;
    const std::string masked = "?[41mR?]0;T???2J???", path = Narrow(BinDir()) + "\\vornel_?2J.exe";
    ASSERT_TRUE(CopyFileW(BinPath(L"vornel_testhelper.exe").c_str(), file.c_str(), FALSE));
    vornel::scope_exit remove([&] {  // once the helper below is gone
        for (int i = 0; i < 100 && !DeleteFileW(file.c_str()); ++i)
            Sleep(50);
    });
    // Bidirectional controls and separators in a name and a title, beside right-to-left letters and marks.
    const std::wstring evil = BinPath(L"evil\u202Etxt.exe"), rtl = L"\u05E9\u05DC\u05D5\u05DD\u200F\u200E";
    ASSERT_TRUE(CopyFileW(BinPath(L"vornel_testhelper.exe").c_str(), evil.c_str(), FALSE));
    vornel::scope_exit removeEvil([&] {
        for (int i = 0; i < 100 && !DeleteFileW(evil.c_str()); ++i)
            Sleep(50);
    });
    TestServices services({service}, false);
    Helper helper(L"--zero-tildes --tag \"~" + hostile + L"\" --window \"" + hostile + L"|C" + escape + L"|1|0\"",
                  file);
    Helper spoof(L"--window \"" + rtl + L"\u2066x\u2069\u202Ay\u202C\u2028z\u2029|C|1|0\"", evil);
    ASSERT_TRUE(helper.ready() && spoof.ready() && services.ok() && services.Start(service));
    const std::wstring spoofId = std::to_wstring(spoof.pid());
    const std::string spoofTitle = Narrow(rtl) + "?x??y??z?";
    const DWORD pid = helper.pid(), host = services.ProcessId(service);
    const std::wstring id = std::to_wstring(pid), hostId = std::to_wstring(host);
    const std::string start = Dec(pid) + "  vornel_?2J        ", display = "Vornel Test VsvEsc?[41m?";
    const std::string line =
        "\"" + path + "\" --zero-tildes --tag \"?" + masked + "\" --window \"" + masked + "|C?[41m?|1|0\"";
    const std::pair<std::wstring, std::string> cases[] = {
        {L"tasklist /N:F /L =" + id, start + line.substr(0, 91) + "..."},
        {L"tasklist /N:F /N =" + id, Dec(pid) + "  C?[41m?" + std::string(15, ' ') + start.substr(7) + masked},
        {L"tasklist /N:F /F =" + id, start + path},
        {L"tasklist /N:F /D =" + id, start + masked + "\r\n\t" + path},
        {L"enumprocesses /W " + id, "\r\n" + std::to_string(pid) + "  vornel_?2J.exe  " + masked},
        {L"services VsvEsc*", "VsvEsc?[41m?        " + display + " \xE2\x80\x94 Running"},
        {L"tasklist /N:F =" + hostId, Dec(host) + "  vornel_testservice  " + display},
        {L"enumprocesses /W " + hostId, "\r\n" + std::to_string(host) + "  vornel_testservice.exe  " + display},
        // /N:S drops the service names alone, /N:W the window titles alone.
        {L"tasklist /N:FW =" + hostId, Dec(host) + "  vornel_testservice  " + display},
        {L"tasklist /N:FS =" + hostId, Dec(host) + "  vornel_testservice"},
        {L"tasklist /N:FS =" + id, start + masked},
        {L"tasklist /N:FW =" + id, start.substr(0, start.size() - 2)},
        // A variable function's answer is a value for the shell, not output.
        {L"echo %@pidsvcnames[" + hostId + L"]", "Vornel Test " + Narrow(service)},
        {L"tasklist /N:F =" + spoofId, Dec(spoof.pid()) + "  evil?txt          " + spoofTitle},
        {L"enumprocesses /W " + spoofId, "\r\n" + Narrow(spoofId) + "  evil?txt.exe  " + spoofTitle},
    };
    for (const auto& [args, out] : cases)
        EXPECT_EQ(_stricmp(RunOrsh(args).out.substr(0, out.size() + 2).c_str(), (out + "\r\n").c_str()), 0)
            << Narrow(args);
}

// Emoji and CJK in a window title, a command line, a process name, a window
// class and service names: the last column is cut between whole characters
// to fit a pipe's 120 columns, and the padded columns line up with ASCII rows.
TEST(WideText, WholeCharactersThatFitAndLineUp)
{
    std::wstring emoji = L"a", cjk;
    for (int i = 0; i < 150; ++i)
        emoji += L"\U0001F600";
    for (wchar_t c = 0x4E00; c < 0x4E00 + 200; ++c)
        cjk += c;
    const std::wstring name = L"\u8BB0\u4E8B\u672C", file = BinPath((name + L".exe").c_str());
    ASSERT_TRUE(CopyFileW(BinPath(L"vornel_testhelper.exe").c_str(), file.c_str(), FALSE));
    vornel::scope_exit remove([&] {  // once the helper below is gone
        for (int i = 0; i < 100 && !DeleteFileW(file.c_str()); ++i)
            Sleep(50);
    });
    TestServices services({L"Vwide\u670D\u52A1", L"VwideAscii"}, false);
    const std::wstring helperArgs = L"--tag " + cjk + L" --window \"" + emoji + L"|\u7A97\u53E3\u7C7B|1|0\"";
    Helper wide(helperArgs, file);
    Helper plain(L"--window \"plain|VornelPlainClass|1|0\"");
    // Hearts in emoji presentation, flags and a joined family: two columns each, never cut inside.
    const std::wstring group = L"\u2764\uFE0F\U0001F1EB\U0001F1F7\U0001F468\u200D\U0001F469\u200D\U0001F467";
    std::wstring groups = L"a";
    for (int i = 0; i < 30; ++i)
        groups += group;
    Helper emojiTitle(L"--window \"" + groups + L"|C|1|0\"");
    ASSERT_TRUE(wide.ready() && plain.ready() && emojiTitle.ready() && services.ok());
    const std::string emojiStart = Dec(emojiTitle.pid()) + "  vornel_testhelper  ";
    const std::wstring emojiId = std::to_wstring(emojiTitle.pid()), fourteen = groups.substr(0, 1 + 14 * group.size());
    const std::wstring id = std::to_wstring(wide.pid());
    auto clipped = [&](int room) { return Narrow(emoji.substr(0, 1 + (room - 4) / 2 * 2)) + "..."; };
    // The command line up to 91 columns: the helper's path, then ideographs.
    std::wstring commandLine;
    int used = 0;
    for (wchar_t c : L"\"" + file + L"\" " + helperArgs) {
        if ((used += c >= 0x4E00 ? 2 : 1) > 91)
            break;
        commandLine += c;
    }
    const std::string pid = Dec(wide.pid()) + "  ", named = Narrow(name) + std::string(10, ' ') + "  ";
    const std::string classed = pid + "\xE7\xAA\x97\xE5\x8F\xA3\xE7\xB1\xBB" + std::string(16, ' ') + named;
    const std::pair<std::wstring, std::string> cases[] = {
        {L"tasklist /N:F =" + id, pid + named + clipped(94)},  // 119 columns
        // An emoji that would cross the limit stays out: 118 columns.
        {L"tasklist /I /N:F =" + id, pid + "Hi   " + named + clipped(89)},
        {L"tasklist /L /N:F =" + id, pid + named + Narrow(commandLine) + "..."},
        {L"tasklist /N /N:F =" + id, classed + clipped(72)},
        {L"tasklist /NN /N:F =" + id, classed + clipped(72)},
        {L"tasklist /N:F =" + emojiId, emojiStart + Narrow(fourteen + group.substr(0, 6)) + "..."},  // 118 columns
        {L"tasklist /I /N:F =" + emojiId, Dec(emojiTitle.pid()) + "  Hi   vornel_testhelper  " + Narrow(fourteen) + "..."},
        {L"tasklist /N /N:F =" + std::to_wstring(plain.pid()),
         Dec(plain.pid()) + "  VornelPlainClass      vornel_testhelper  plain"},
        {L"services /O Vwide*", "VwideAscii          Vornel Test VwideAscii \xE2\x80\x94 Stopped\r\n"
                             "Vwide\xE6\x9C\x8D\xE5\x8A\xA1           Vornel Test Vwide\xE6\x9C\x8D\xE5\x8A\xA1 \xE2\x80\x94 "
                             "Stopped"},
    };
    for (const auto& [line, out] : cases)
        EXPECT_EQ(RunOrsh(line).out, out + "\r\n") << Narrow(line);
}

// A 32-bit child of a 64-bit parent. ./run-tests installs Wine's 32-bit half
// and sets VORNEL_WOW64=required: there a missing part fails, not skips.
TEST(Wow64, ThirtyTwoBitChildOfASixtyFourBitParent)
{
    const std::wstring exe = BinPath(L"vornel_testhelper32.exe");
    const char* mode = getenv("VORNEL_WOW64");
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES && !(mode && std::string(mode) == "required"))
        GTEST_SKIP() << "no 32-bit test helper: the i686 compiler is not installed";
    Helper parent(L"--children 1 --child-exe \"" + exe + L"\"");
    ASSERT_TRUE(parent.ready());
    ASSERT_EQ(parent.children().size(), 1u) << "no 32-bit helper built, or a Wine prefix without syswow64";
    const DWORD p = parent.pid(), c = parent.children()[0];
    const std::wstring child = std::to_wstring(c);
    const std::string path = Narrow(exe), start = Dec(c) + "  vornel_testhelper32";
    // A pipe's line is 120 columns: a longer trailing text is cut to end in "...".
    auto cut = [](const std::string& text) { return "  " + (text.size() > 91 ? text.substr(0, 88) + "..." : text); };
    auto expect = [](const std::wstring& line, const std::string& out, bool anyCase = false) {  // paths: any case
        RunResult r = RunOrsh(line);
        EXPECT_TRUE(anyCase ? _stricmp(r.out.c_str(), out.c_str()) == 0 : r.out == out) << Narrow(line) << r.out;
        EXPECT_EQ(r.err, "") << Narrow(line);
        EXPECT_EQ(r.exitCode, 0u) << Narrow(line);
    };
    // Both elevated (as Wine's tokens are), the 32-bit mark on the child only.
    expect(L"tasklist /R /E /N:F =" + std::to_wstring(p), Dec(p) + "  \xE2\x86\x91  vornel_testhelper\r\n  " +
                                                              "\xE2\x94\x94\xE2\x94\x80" + Dec(c) +
                                                              "  \xE2\x86\x91\xC2\xBB vornel_testhelper32\r\n");
    // Read from the 32-bit process's own environment block.
    expect(L"tasklist /L /N:F =" + child,
           start + cut("\"" + path + "\" --tag child1 --signal VornelHelper-" + std::to_string(p) + "-0") + "\r\n");
    expect(L"tasklist /F /N:F =" + child, start + cut(path) + "\r\n", true);
    // Wine 8 gives a 64-bit caller no module of a 32-bit process: only the process line.
    expect(L"tasklist /D /N:F =" + child, start + "\r\n");
    expect(L"echo %@pidexename[" + child + L"]", path + "\r\n", true);
    expect(L"enumprocesses \"" + exe + L"\"", "\r\n" + std::to_string(c) + "  vornel_testhelper32.exe\r\n");
}

TEST_F(Tasklist, Trees)
{
    // Children in ID order, so the expected tree does not depend on where
    // the snapshot puts them.
    DWORD c1 = child(1), c2 = child(2), g1 = grandchild(1), g2 = grandchild(2);
    if (c2 < c1) {
        std::swap(c1, c2);
        std::swap(g1, g2);
    }
    auto line = [](const char* lead, DWORD p) { return lead + Dec(p) + "  " + Name + "\r\n"; };
    Expect(L"/R /O" + Select(), Line() + line("  \xE2\x94\x9C\xE2\x94\x80", c1) +
                                    line("  \xE2\x94\x82 \xE2\x94\x94\xE2\x94\x80", g1) +
                                    line("  \xE2\x94\x94\xE2\x94\x80", c2) +
                                    line("    \xE2\x94\x94\xE2\x94\x80", g2) + Footer(5));

    // A match inside another match's tree is printed again on its own.
    std::vector<std::string> lines = SplitLines(RunOrsh(L"tasklist /R /N:F vornel_testhelper").out);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "") + 1, 5);
    EXPECT_EQ(lines.size(), 5u + 2u + 1u + 2u + 1u + 4u);  // five trees, four gaps

    // In the tree of all processes the helper hangs under this program.
    RunResult r = RunOrsh(L"tasklist /R /N:F");
    std::string helperLine = Dec(pid()) + "  " + Name;
    size_t at = r.out.find(helperLine);
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(helperLine, at + 1), std::string::npos);
    // The helper's line has a connector in front of it, and its parent's
    // line comes before it.
    EXPECT_NE(r.out.rfind("\r\n", at), at - 2) << r.out;
    EXPECT_LT(r.out.find(Dec(GetCurrentProcessId()) + "  e2e_tests"), at);
}

TEST_F(Tasklist, Threads)
{
    RunResult flat = RunOrsh(L"tasklist /H /O" + Select());
    std::vector<std::string> lines = SplitLines(flat.out);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0] + "\r\n", Line());
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
}

TEST_F(Tasklist, ModulesUnderTheProcessLine)
{
    RunResult d = RunOrsh(L"tasklist /D /N:F" + Select());
    std::vector<std::string> lines = SplitLines(d.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0] + "\r\n", Line());
    EXPECT_EQ(lines[1][0], '\t');
    EXPECT_EQ(_stricmp(lines[1].c_str() + 1, Narrow(BinPath(L"vornel_testhelper.exe")).c_str()), 0) << lines[1];
    EXPECT_NE(d.out.find("\\ntdll.dll\r\n"), std::string::npos);

    std::vector<std::string> based = SplitLines(RunOrsh(L"tasklist /DA /N:F" + Select()).out);
    ASSERT_EQ(based.size(), lines.size());
    for (size_t i = 1; i < based.size(); ++i) {
        EXPECT_EQ(based[i].substr(0, 1), "\t");
        EXPECT_EQ(based[i].find_first_not_of("0123456789ABCDEF", 1), 17u) << based[i];
        EXPECT_EQ(based[i].substr(17), "  " + lines[i].substr(1));
    }
    // Whole 64-bit addresses: Wine loads its own modules above 4 GB.
    EXPECT_TRUE(std::any_of(based.begin() + 1, based.end(), [](auto& l) { return l.compare(1, 8, "00000000"); }));
}

TEST_F(Tasklist, SortKeys)
{
    auto pids = [](const wchar_t* order) {
        std::vector<DWORD> result;
        for (const std::string& line : SplitLines(RunOrsh(L"tasklist " + std::wstring(order) + L" vornel_testhelper").out))
            if (!line.empty() && line.find("Found") == std::string::npos)
                result.push_back(std::stoul(line.substr(0, 6)));
        return result;
    };
    // /O:P itself is checked in NameAndTitleSelection.
    std::vector<DWORD> ascending = {pid(), child(1), child(2), grandchild(1), grandchild(2)};
    std::sort(ascending.begin(), ascending.end());
    EXPECT_EQ(pids(L"/O:-P"), std::vector<DWORD>(ascending.rbegin(), ascending.rend()));
    // By title: the four without a window first (by ID for the tie), the
    // helper last.
    std::vector<DWORD> byTitle = ascending;
    byTitle.erase(std::find(byTitle.begin(), byTitle.end(), pid()));
    byTitle.push_back(pid());
    EXPECT_EQ(pids(L"/O:TP"), byTitle);
    // By parent, then ID.
    std::vector<std::pair<DWORD, DWORD>> family = {{GetCurrentProcessId(), pid()}, {pid(), child(1)},
                                                   {pid(), child(2)}, {child(1), grandchild(1)},
                                                   {child(2), grandchild(2)}};
    std::sort(family.begin(), family.end());
    std::vector<DWORD> byParent;
    for (const auto& member : family)
        byParent.push_back(member.second);
    EXPECT_EQ(pids(L"/O:ZP"), byParent);
    // By working set: two helpers that hold 192 and 96 MiB come first with
    // /O:-M, the larger first, and last with /O:M.
    Helper large(L"--hold-memory 192"), medium(L"--hold-memory 96");
    ASSERT_TRUE(large.ready() && medium.ready());
    const std::vector<DWORD> heavy = {large.pid(), medium.pid()}, light = {medium.pid(), large.pid()};
    std::vector<DWORD> order = pids(L"/O:-M");
    ASSERT_EQ(order.size(), 7u);
    EXPECT_EQ(std::vector<DWORD>(order.begin(), order.begin() + 2), heavy);
    order = pids(L"/O:M");
    ASSERT_EQ(order.size(), 7u);
    EXPECT_EQ(std::vector<DWORD>(order.end() - 2, order.end()), light);
}

TEST_F(Tasklist, HelpTexts)
{
    const std::string usage =
        "List running processes.\n\nTASKLIST /C /D /E /F /FO: /H /I /L /M /N /N: /NH /O: /P /R /T /U /U: /X /Z name\r\n\n"
        "\t/C\tshow priority classes\n\t/D\tdump module names\n"
        "\t/E\tshow extra info:  \xE2\x86\x91 elevated, \xC2\xBB 32-bit\n\t/F\tshow filenames\n"
        "\t/FO:\tCSV or JSON for programs; /FO? for more info\n"
        "\t/H\tlist threads\n\t/I\tshow code integrity levels\n\t/L\tshow startup command lines\n"
        "\t/M\tshow memory usage; /MM short format\n\t/N\tshow window class names\n"
        "\t/N:\tdisable features; /N? for more info\n\t/NH\tno CSV header line\n"
        "\t/O:\tsort processes;   /O? for more info\n"
        "\t/P\tpage output\n\t/R\tshow a process tree\n\t/T\tshow kernel and user-mode times\n"
        "\t/U\tdisplay owner names\n\t/U:\tonly list if owner name matches\n\t/X\tshow process IDs in hexadecimal\n"
        "\t/Z\tshow parent process IDs\n\nname may be a process name, window title, or =PID.\n";
    const std::string disable =
        "TASKLIST /N:  \xE2\x80\x94 disable features\n\n\tC\tno highlight\n\tD\tdo not match display names\n"
        "\tF\tno footer\n\tS\tdo not collect service names\n\tW\tdo not collect window names\n";
    const std::string sort =
        "TASKLIST /O:  \xE2\x80\x94 sort processes\n\n\tM\tby memory usage (working set)\n\tN\tby process name\n"
        "\tP\tby process ID\n\tT\tby window title or service name\n\tZ\tby parent process ID\n"
        "\t-\treverses the following key\n";
    Expect(L"/?", usage);
    Expect(L"/x /?", usage);
    Expect(L"/??", usage + "\r\n\t\t\t\tVornel  1.0.25.3 (x64)\r\n\t\t\t\tplugin.cpp  1.0.25.2\r\n");
    for (const wchar_t* args : {L"/N?", L"/n:c?"})
        Expect(args, disable);
    Expect(L"/O:N?", sort);
}

TEST_F(Tasklist, CommandLines)
{
    // Switches run together and in lower case; /HL: without a pattern;
    // /O:U leaves snapshot order; /P without a console pages nothing.
    Expect(L"/n:f/x" + Select(), Dec(pid(), "%5X") + "  " + Tail);
    Expect(L"/HL: /HL:vornel* /O:U /P" + Select(), Line() + Footer(1));
    Expect(L"/N:SW" + Select(), Dec(pid()) + "  " + Name + "\r\n" + Footer(1));

    const std::pair<const wchar_t*, const char*> rejected[] = {
        {L"/Q", "Unknown option: \"/Q\""}, {L"/q /?", "Unknown option: \"/Q\""},
        {L"/HX", "Unknown option: \"/HX\""}, {L"a b", "Syntax error: \"B\" (a name with blanks must be quoted)"},
        {L"Quarterly Budget - Editor", "Syntax error: \"BUDGET\" (a name with blanks must be quoted)"},
        {L"/HLCMD", "Syntax error: \"/HLCMD\""}, {L"/N:CQ", "Unknown suboption: /N:Q"},
        {L"/O:Q", "Bad sort key: /O:Q"}, {L"/P:5,1001", "Pause lines must be 0 - 1000: 1001"},
    };
    for (const auto& [args, message] : rejected)
        Expect(args, "", "Vornel plugin: " + std::string(message) + "\r\n", 1);
}

// Below major version 6 there is no integrity column and no elevation mark
// (Wine's tokens are elevated); the 32-bit mark stays, and so does the boost
// column, although the elevation it depends on cannot be told there.
TEST_F(Tasklist, OldWindowsDropIntegrityAndElevation)
{
    OSVERSIONINFOW version{sizeof version};
    GetVersionExW(&version);
    Expect(L"/N:F /I /E /B" + Select(), Line(version.dwMajorVersion >= 6 ? "  Hi   \xE2\x86\x91  " : "    "));
}

}  // namespace
