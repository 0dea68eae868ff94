// ENUMPROCESSES through the shell against a process family the test starts:
// requests by ID, name and path, several and missing IDs, connectors, hex
// IDs, window titles and service names, the orders, the help texts, and
// every rejected command line with its code.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/process_runner.h"

using namespace vornel::test;

namespace {

constexpr char Exe[] = "vornel_testhelper.exe";
// Connectors as UTF-8: "├─", "└─", "│ ".
constexpr char Tee[] = "\xE2\x94\x9C\xE2\x94\x80";
constexpr char Corner[] = "\xE2\x94\x94\xE2\x94\x80";
constexpr char Bar[] = "\xE2\x94\x82 ";

std::wstring W(DWORD value) { return std::to_wstring(value); }
std::string S(DWORD value) { return std::to_string(value); }

std::string Hex(DWORD value)
{
    char text[16];
    snprintf(text, sizeof text, "%04X", (unsigned)value);
    return text;
}

// A process line without connectors: indentation, ID and name.
std::string Line(const std::string& lead, DWORD pid) { return lead + S(pid) + "  " + Exe + "\r\n"; }

// A parent with a window, two children with one child each.
class Enumprocesses : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        helper = new Helper(L"--children 2 --grandchildren 1 --window \"Vornel EP Title|VornelEpClass|1|0\"");
    }
    static void TearDownTestSuite() { delete helper; }
    void SetUp() override
    {
        ASSERT_TRUE(helper->ready());
        ASSERT_EQ(helper->children().size(), 4u);
        // Reported in the order: grandchild 1, child 1, grandchild 2, child 2;
        // the trees below list the children in ID order (/O).
        c1 = helper->children()[1], g1 = helper->children()[0];
        c2 = helper->children()[3], g2 = helper->children()[2];
        if (c2 < c1) {
            std::swap(c1, c2);
            std::swap(g1, g2);
        }
    }

    static DWORD pid() { return helper->pid(); }

    // The helper's tree, children in ID order; `id` formats the IDs.
    std::string Tree(bool connectors, std::string (*id)(DWORD) = S) const
    {
        auto line = [&](const std::string& lead, DWORD p) { return lead + id(p) + "  " + Exe + "\r\n"; };
        if (connectors)
            return "\r\n" + line("", pid()) + line(Tee, c1) + line(std::string(Bar) + Corner, g1) +
                   line(Corner, c2) + line(std::string("  ") + Corner, g2);
        return "\r\n" + line("", pid()) + line("  ", c1) + line("    ", g1) + line("  ", c2) + line("    ", g2);
    }

    static void Expect(const std::wstring& args, const std::string& out, const std::string& err = "",
                       DWORD code = 0)
    {
        RunResult r = RunOrsh(L"enumprocesses " + args);
        EXPECT_EQ(r.out, out) << Narrow(args);
        EXPECT_EQ(r.err, err) << Narrow(args);
        EXPECT_EQ(r.exitCode, code) << Narrow(args);
    }
    static void ExpectError(const std::wstring& args, const std::string& message)
    {
        Expect(args, "", "Vornel plugin: " + message + "\r\n", 1);
    }

    static inline Helper* helper = nullptr;
    DWORD c1 = 0, g1 = 0, c2 = 0, g2 = 0;
};

TEST_F(Enumprocesses, ByIdInDecimalOrHex)
{
    wchar_t hex[16];
    wsprintfW(hex, L"0x%x", pid());
    Expect(L"/O " + W(pid()), Tree(false));
    Expect(L"/O " + std::wstring(hex), Tree(false));
    // Switches after the ID still apply to its tree.
    Expect(W(pid()) + L" /t /o", Tree(true));
    Expect(L"/X /T /O " + W(pid()), Tree(true, Hex));
    Expect(L"/O /D /P " + W(c1), "\r\n" + Line("", c1) + Line("  ", g1));
}

TEST_F(Enumprocesses, SortOrders)
{
    // Descending IDs turn the children round; names tie, so /O:N keeps
    // snapshot order, which /O:U and no /O give too.
    std::string reversed = RunOrsh(L"enumprocesses /O:-P " + W(pid())).out;
    std::string second = Line("  ", c1) + Line("    ", g1);
    EXPECT_EQ(reversed.substr(reversed.size() - second.size()), second) << reversed;
    std::string plain = RunOrsh(L"enumprocesses " + W(pid())).out;
    EXPECT_EQ(plain.size(), Tree(false).size());
    for (const wchar_t* order : {L"/O:U ", L"/O:N ", L"/O: "})
        EXPECT_EQ(RunOrsh(L"enumprocesses " + std::wstring(order) + W(pid())).out, plain) << Narrow(order);
}

TEST_F(Enumprocesses, ByNameOrPath)
{
    // The first match in the snapshot is the parent, started before its children.
    for (const std::wstring& name : {std::wstring(L"vornel_testhelper"), std::wstring(L"VORNEL_TESTHELPER.EXE"),
                                     std::wstring(L"vornel_test*"), L"\"" + BinPath(L"vornel_testhelper.exe") + L"\"",
                                     L"\"" + BinDir() + L"\\vornel_test?elper.*\""})
        Expect(L"/O " + name, Tree(false));
    // A name with a dot is not tried again with ".exe".
    ExpectError(L"vornel_testhelper.", "Bad PID: \"VORNEL_TESTHELPER.\"");
    ExpectError(L"no_such_program", "Bad PID: \"NO_SUCH_PROGRAM\"");
    // Full-width digits are a name, not the ID they look like.
    ExpectError(FullWidthDigits(pid()), "Bad PID: \"" + Narrow(FullWidthDigits(pid())) + "\"");
    std::wstring dir = BinDir();
    CharUpperW(dir.data());
    ExpectError(L"\"" + dir + L"\\no_such_program.exe\"", "Bad PID: \"" + Narrow(dir) + "\\NO_SUCH_PROGRAM.EXE\"");
}

TEST_F(Enumprocesses, SeveralAndMissingIds)
{
    std::string c1Tree = "\r\n" + Line("", c1) + Line("  ", g1), g2Tree = "\r\n" + Line("", g2);
    Expect(W(c1) + L" " + W(g2) + L" " + W(c1), c1Tree + g2Tree + c1Tree);
    Expect(W(c1) + L" 99999 " + W(g2), c1Tree + g2Tree, "Vornel plugin: Process ID not found: 99999\r\n", 2);

    // 64 requests are accepted; a 65th is refused before anything is printed.
    std::wstring many;
    std::string trees;
    for (int i = 0; i < 64; ++i) {
        many += L" " + W(g2);
        trees += g2Tree;
    }
    Expect(many, trees);
    ExpectError(many + L" 0x99", "Too many PIDs: \"0X99\"");
}

TEST_F(Enumprocesses, OwnShellByDefault)
{
    // One shell, two commands: no argument and "." both give its own tree.
    RunResult r = RunOrshInteractive("enumprocesses\nenumprocesses .\n", InputFrom::Pipe);
    EXPECT_EQ(r.exitCode, 0u);
    std::string first = r.out.substr(0, r.out.size() / 2);
    EXPECT_EQ(r.out.substr(first.size()), first);
    std::string id = first.substr(2, first.find(' ') - 2);
    EXPECT_GT(std::stoul(id), 0ul) << first;
    EXPECT_EQ(first, "\r\n" + id + "  orsh.exe\r\n");
}

TEST_F(Enumprocesses, WindowTitlesAndServiceNames)
{
    Expect(L"/W " + W(g2), "\r\n" + Line("", g2));
    Expect(L"/W /O " + W(c2), "\r\n" + Line("", c2) + Line("  ", g2));

    // The helper, with its window, is a child of this test program.
    RunResult mine = RunOrsh(L"enumprocesses /W " + W(GetCurrentProcessId()));
    EXPECT_NE(mine.out.find("\r\n  " + S(pid()) + "  " + Exe + "  Vornel EP Title\r\n"), std::string::npos)
        << mine.out;
    EXPECT_EQ(RunOrsh(L"enumprocesses " + W(GetCurrentProcessId())).out.find("Vornel EP Title"), std::string::npos);

    // Wine's service manager starts the event log in a service host of its own.
    RunResult services = RunOrsh(L"enumprocesses /W /T services.exe");
    EXPECT_EQ(services.exitCode, 0u);
    EXPECT_EQ(services.out.substr(0, 2), "\r\n");
    size_t at = services.out.find("  svchost.exe  Event Log\r\n");
    ASSERT_NE(at, std::string::npos) << services.out;
    size_t lineStart = services.out.rfind("\r\n", at) + 2;
    EXPECT_TRUE(services.out.compare(lineStart, 6, Tee) == 0 || services.out.compare(lineStart, 6, Corner) == 0)
        << services.out;
    EXPECT_EQ(RunOrsh(L"enumprocesses /T services.exe").out.find("Event Log"), std::string::npos);
}

TEST_F(Enumprocesses, HelpTextsAndRejectedCommandLines)
{
    const std::string usage =
        "List processes started by the specified PID.\n\nENUMPROCESSES /D /FO: /NH /O: /P /T /W /X pid...\r\n\n"
        "\t/D\tno highlight\n\t/FO:\tCSV or JSON for programs; /FO? for more info\n\t/NH\tno CSV header line\n\t/O:\tsort processes; /O? for more info\n\t/P\tpage output\n"
        "\t/T\tshow tree graphics\n\t/W\tshow window titles and service names\n\t/X\tdisplay process IDs in hex\n\n"
        "Pid may be in decimal or hexadecimal.  If no pid is  \ngiven, the current instance of Orsh is assumed.\n";
    // The help ends the command at once, whatever follows.
    Expect(L"/? /Z", usage);
    RunResult versions = RunOrsh(L"enumprocesses /??");
    EXPECT_EQ(versions.out.substr(0, usage.size()), usage);
    EXPECT_NE(versions.out.find("1.0.25.3"), std::string::npos);
    const std::string sortHelp =
        "ENUMPROCESSES /O:  \xE2\x80\x94 sort processes\n\n\tN\tby process name\n\tP\tby process ID\n";
    Expect(L"/O?", sortHelp);
    Expect(L"/O:-N? 99999", sortHelp);

    const std::pair<std::wstring, const char*> rejected[] = {
        {L"/Z " + W(pid()), "Unknown option: \"/Z\""}, {L"/tx", "Unknown option: \"/TX\""},
        {L"/hlx", "Syntax error: \"/HLX\""},         {L"/O:Q", "Bad sort key: /O:Q"},
        {L"/P:x", "Syntax error: \"/P:X\""},
    };
    for (const auto& [args, message] : rejected)
        ExpectError(args, message);
    // /HL with nothing after it adds nothing and is no error.
    Expect(L"/HL: /hl=vornel* /O " + W(pid()), Tree(false));
}

}  // namespace
