// SERVICES through the shell against Wine's service control manager, with
// services of our own test program: selection by key name, process ID and
// type; every column; the orders; starting and stopping; every rejected
// command line with its message and code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/process_runner.h"
#include "tests/support/test_service.h"

using namespace vornel::test;

namespace {

const std::string Dash = "\xE2\x80\x94";  // the em dash before the state

// The name column: 18 columns (longer names whole) and two blanks.
std::string Pad(std::string name)
{
    if (name.size() < 18)
        name.resize(18, ' ');
    return name + "  ";
}

// A listing line without options: the name column, the display name, a
// blank, the dash, the state.
std::string Line(const std::string& name, const std::string& state)
{
    return Pad(name) + "Vornel Test " + name + " " + Dash + " " + state + "\r\n";
}

std::string Text(const char* format, DWORD value)
{
    char text[32];
    snprintf(text, sizeof text, format, value);
    return text;
}

RunResult Services(const std::string& args) { return RunOrsh(L"services " + Widen(args)); }

// The listing of `args`, checked to succeed without messages.
std::string List(const std::string& args)
{
    RunResult result = Services(args);
    EXPECT_EQ(result.exitCode, 0u) << args;
    EXPECT_EQ(result.err, "") << args;
    return result.out;
}

// The state settles after a request that does not wait.
bool Becomes(const TestServices& services, const std::wstring& name, DWORD state)
{
    for (int i = 0; i < 200 && services.State(name) != state; ++i)
        Sleep(50);
    return services.State(name) == state;
}

// Replaces every `from` in `text` by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

TEST(Services, SelectsByKeyNameInEnumerationOrder)
{
    // Created out of name order: the enumeration keeps the creation order.
    TestServices services({L"VsvSelBeta", L"VsvSelGamma", L"VsvSelAlpha", L"VsvLongServiceName",
                           L"VsvLongerServiceName22"}, false);
    ASSERT_TRUE(services.ok());
    const std::string all =
        Line("VsvSelBeta", "Stopped") + Line("VsvSelGamma", "Stopped") + Line("VsvSelAlpha", "Stopped");
    // Patterns keep their case and still match without regard to it. Empty
    // highlight patterns are ignored; without a console none applies.
    for (const char* args : {"VsvSel*", "vsvsel*", "/HL: /HL= /HL:VsvSel* VsvSel*"})
        EXPECT_EQ(List(args), all);
    // Several names: one line per service, in enumeration order, once.
    EXPECT_EQ(List("VsvSelAlpha VsvSelB* VsvSel?lpha"), Line("VsvSelBeta", "Stopped") + Line("VsvSelAlpha", "Stopped"));
    // The display name never selects; nor does a word with a minus sign,
    // which is a name, not a switch.
    for (const char* args : {"Vornel*", "NoSuchVsvService", "-VsvSelAlpha"})
        EXPECT_EQ(List(args), "");
    // Names of 18 characters and more are written whole.
    EXPECT_EQ(List("VsvLong*"), "VsvLongServiceName  Vornel Test VsvLongServiceName " + Dash + " Stopped\r\n" +
                                    "VsvLongerServiceName22  Vornel Test VsvLongerServiceName22 " + Dash + " Stopped\r\n");
}

TEST(Services, SortsByEveryKeyAndKeepsEnumerationOrderForTies)
{
    TestServices own({L"VsvOrdB", L"VsvOrdC", L"VsvOrdA"}, false);
    TestServices shared({L"VsvOrdS"}, true);
    ASSERT_TRUE(own.ok() && shared.ok());
    ASSERT_TRUE(own.Start(L"VsvOrdC"));
    const std::string a = Line("VsvOrdA", "Stopped"), b = Line("VsvOrdB", "Stopped"), c = Line("VsvOrdC", "Running"),
                      s = Line("VsvOrdS", "Stopped");
    // Equal keys keep the enumeration order (B, A, S are all stopped); the
    // last /O wins.
    const std::pair<const char*, std::string> cases[] = {
        {"", b + c + a + s},        {"/O:U ", b + c + a + s},    {"/O ", a + b + c + s},
        {"/o:n ", a + b + c + s},   {"/O:-N ", s + c + b + a},   {"/O:D ", a + b + c + s},
        {"/O:-D ", s + c + b + a},  {"/O:S ", b + a + s + c},    {"/O:-SN ", c + a + b + s},
        {"/O:P ", b + a + s + c},   {"/O:-P ", c + b + a + s},   {"/O:T ", b + c + a + s},
        {"/O:-TN ", s + a + b + c}, {"/O:-N /O:N ", a + b + c + s},
    };
    for (const auto& [order, listing] : cases)
        EXPECT_EQ(List(order + std::string("VsvOrd*")), listing);
}

TEST(Services, FiltersByProcessIdAndWritesIdColumns)
{
    TestServices services({L"VsvPidRun", L"VsvPidIdle"}, false);
    ASSERT_TRUE(services.ok());
    ASSERT_TRUE(services.Start(L"VsvPidRun"));
    const DWORD pid = services.ProcessId(L"VsvPidRun");
    ASSERT_NE(pid, 0u);
    const std::string run = Line("VsvPidRun", "Running"), idle = Line("VsvPidIdle", "Stopped");
    const std::string id = Text("%u", pid);

    // Every spelling of the ID selects the service host, and only it.
    for (const std::string& filter : {"/I:" + id, "/I=" + id, "/I" + id, "/I:0x" + Text("%X", pid),
                                      "/i:0X" + Text("%x", pid)})
        EXPECT_EQ(List(filter), run) << filter;
    // With names as well, both must hold.
    EXPECT_EQ(List("/I:" + id + " VsvPidIdle"), "");
    EXPECT_EQ(List("/I:0 VsvPid*"), run + idle);

    // Decimal, hexadecimal, and ten blanks for a service without a process.
    const std::string blanks(10, ' ');
    EXPECT_EQ(List("/I VsvPid*"), Text("%8u  ", pid) + run + blanks + idle);
    EXPECT_EQ(List("/X VsvPid*"), Text("%8X  ", pid) + run + blanks + idle);
    EXPECT_EQ(List("/L/I VsvPid*"), "  1: " + Text("%8u  ", pid) + run + "  2: " + blanks + idle);
    EXPECT_EQ(List("/L /I:" + id), "  1: " + run);
}

TEST(Services, SelectsByTypeMaskAndWritesTypeValues)
{
    TestServices own({L"VsvTypeOwn"}, false);
    TestServices shared({L"VsvTypeShare"}, true);
    ASSERT_TRUE(own.ok() && shared.ok());
    const std::string o = Line("VsvTypeOwn", "Stopped"), s = Line("VsvTypeShare", "Stopped");
    const std::pair<const char*, std::string> cases[] = {
        {"/T16 VsvType*", o}, {"/T:0x20 VsvType*", s}, {"/T=48 VsvType*", o + s}, {"/T0 VsvType*", o + s},
        {"/T:1 VsvType*", ""}, {"/T:0x4000", ""},  // a mask the system rejects lists nothing and is no error
        {"/V VsvTypeShare", Pad("VsvTypeShare") + "Vornel Test VsvTypeShare  (32) " + Dash + " Stopped\r\n"},
        // Drivers are listed by default, and only drivers with /T1.
        {"MountMgr", "MountMgr            Mount Manager " + Dash + " Running\r\n"}, {"/T:0x30 MountMgr", ""},
    };
    for (const auto& [args, listing] : cases)
        EXPECT_EQ(List(args), listing);
    const std::string drivers = List("/T1 /V");
    EXPECT_NE(drivers.find("MountMgr"), std::string::npos);
    size_t lines = 0, typed = 0;
    for (size_t at = 0; (at = drivers.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    for (size_t at = 0; (at = drivers.find(" (1) " + Dash, at)) != std::string::npos; ++at)
        ++typed;
    EXPECT_EQ(typed, lines);
}

// /F for a running and a stopped service: the running one shows its program
// in drive-letter form; the stopped one has no process, so its column is a
// single blank. Runs in both prefixes: where Windows reports a version below
// 6 the path is read with the older, wider query right.
TEST(ServicesOldWindows, WritesImagePaths)
{
    TestServices own({L"VsvFileRun", L"VsvFileIdle"}, false);
    ASSERT_TRUE(own.ok());
    ASSERT_TRUE(own.Start(L"VsvFileRun"));
    const std::string listed = List("/F VsvFile*"), run = Pad("VsvFileRun");
    ASSERT_EQ(listed.compare(0, run.size(), run), 0) << listed;
    const size_t pathEnd = listed.find(" " + Dash);
    ASSERT_NE(pathEnd, std::string::npos);
    EXPECT_EQ(_stricmp(listed.substr(run.size(), pathEnd - run.size()).c_str(),
                       Narrow(BinPath(L"vornel_testservice.exe")).c_str()), 0) << listed;
    EXPECT_EQ(listed.substr(pathEnd), " " + Dash + " Running\r\n" + Pad("VsvFileIdle") + " " + Dash + " Stopped\r\n");
}

TEST(Services, StartsAndStopsTheListedServices)
{
    TestServices services({L"VsvCtlOne", L"VsvCtlTwo", L"VsvCtlOther"}, false);
    ASSERT_TRUE(services.ok());

    // The line shows the state, process ID and path read after the request.
    const std::string started = Replaced(List("/I /F /R VsvCtlOne VsvCtlTwo"), "Starting", "Running");
    EXPECT_TRUE(Becomes(services, L"VsvCtlOne", SERVICE_RUNNING));
    EXPECT_TRUE(Becomes(services, L"VsvCtlTwo", SERVICE_RUNNING));
    EXPECT_EQ(services.State(L"VsvCtlOther"), (DWORD)SERVICE_STOPPED);
    const std::string path = Narrow(BinPath(L"vornel_testservice.exe")) + " " + Dash + " Running\r\n";
    EXPECT_EQ(_stricmp(started.c_str(), (Text("%8u  ", services.ProcessId(L"VsvCtlOne")) + Pad("VsvCtlOne") + path +
                                         Text("%8u  ", services.ProcessId(L"VsvCtlTwo")) + Pad("VsvCtlTwo") + path)
                                            .c_str()), 0) << started;

    // Starting a running service changes nothing and is no error.
    EXPECT_EQ(List("/R VsvCtlOne"), Line("VsvCtlOne", "Running"));
    // A pattern that also matches services of other processes acts on those
    // the process-ID filter selects and says nothing of the rest.
    const RunResult selected = Services(Text("/R /I:%u VsvCtl*", services.ProcessId(L"VsvCtlTwo")));
    EXPECT_EQ(selected.out + selected.err, Line("VsvCtlTwo", "Running"));
    EXPECT_EQ(selected.exitCode, 0u);

    // A stop does not wait: the process ID stands beside "Stopping", never beside "Stopped".
    const std::string id = Text("%8u  ", services.ProcessId(L"VsvCtlOne"));
    const std::string stopped = List("/I /S VsvCtlOne");
    EXPECT_TRUE(stopped == std::string(10, ' ') + Line("VsvCtlOne", "Stopped") ||
                stopped == id + Line("VsvCtlOne", "Stopping")) << stopped;
    EXPECT_TRUE(Becomes(services, L"VsvCtlOne", SERVICE_STOPPED));
    EXPECT_EQ(services.State(L"VsvCtlTwo"), (DWORD)SERVICE_RUNNING);

    // Stopping a stopped service shows the enumerated state.
    EXPECT_EQ(List("/S VsvCtlOne"), Line("VsvCtlOne", "Stopped"));

    // Requests go only to the services that are listed. A name whose
    // services the process-ID filter or the type mask leave out (also a mask
    // that selects no service at all) is told apart from one that names none.
    const std::pair<const char*, std::string> unselected[] = {
        {"/S /I:1 VsvCtl*", "\"VSVCTL*\" is not selected by /I:1"},
        {"/R /T:0x20 VsvCtlOther", "\"VSVCTLOTHER\" is not selected by /T:32"},
        {"/t8 /r VsvCtlOther", "\"VSVCTLOTHER\" is not selected by /T:8"},
        {"/R /T1 /I:1 NoSuchVsv VsvCtlOth*", "No service matches \"NOSUCHVSV\"\r\nVornel plugin: \"VSVCTLOTH*\" is "
                                              "not selected by /T:1"},
    };
    for (const auto& [args, message] : unselected) {
        RunResult none = Services(args);
        EXPECT_EQ(none.out, "") << args;
        EXPECT_EQ(none.err, "Vornel plugin: " + message + "\r\n") << args;
        EXPECT_EQ(none.exitCode, 2u) << args;
    }
    EXPECT_EQ(services.State(L"VsvCtlTwo"), (DWORD)SERVICE_RUNNING);
    EXPECT_EQ(services.State(L"VsvCtlOther"), (DWORD)SERVICE_STOPPED);
}

TEST(Services, RejectsBadCommandLinesWithMessageAndCode)
{
    const std::pair<const char*, std::string> cases[] = {
        {"/R", "You must specify at least one name with /R"},
        {"/S", "You must specify at least one name with /S"},
        {"/R /S VsvNone", "Can\xE2\x80\x99t combine /R and /S"},
        {"/s /r", "Can\xE2\x80\x99t combine /R and /S"},
        {"/hlx", "Syntax error: \"/HLX\""}, {"/H", "Unknown option: \"/H\""},
        {"/q /x", "Unknown option: \"/Q\""}, {"/ix", "Bad PID: \"X\""}, {"/I:0x", "Bad PID: \"0X\""},
        {"/I=4294967296", "Bad PID: \"4294967296\""},
        {"/TS", "Bad value: \"S\""}, {"/T", "Bad value: \"\""}, {"/t:0x1g", "Bad value: \"0x1g\""},
        {"/O:Q", "Bad sort key: /O:Q"}, {"/P,1001", "Pause lines must be 0 - 1000: 1001"},
        // Words after the rejected one are not examined.
        {"/H /O?", "Unknown option: \"/H\""},
    };
    for (const auto& [args, message] : cases) {
        RunResult result = Services(args);
        EXPECT_EQ(result.exitCode, 1u) << args;
        EXPECT_EQ(result.out, "") << args;
        EXPECT_EQ(result.err, "Vornel plugin: " + message + "\r\n") << args;
    }
}

TEST(Services, PrintsHelpTexts)
{
    const std::string usage =
        "List, start, or stop services.\n\nSERVICES /D /F /FO: /I /I: /L /NH /O: /P /R /S /Tn /V /X name....\r\n\n"
        "\t/D\tno highlight\n\t/F\tshow filenames\n\t/FO:\tCSV or JSON for programs; /FO? for more info\n"
        "\t/I\tshow process IDs\n\t/I:\tonly processes with the given PID\n"
        "\t/L\tline numbers\n\t/NH\tno CSV header line\n\t/O:\tsort services; /O? for more info\n\t/P\tpage output\n\t/R\tstart services\n"
        "\t/S\tstop services\n\t/Tn\tservices of type\n\t/V\tshow service type values\n\t/X\tshow process IDs in hex\n"
        "\nYou may specify more than one name; names may contain wildcards.\n"
        "If you use /R or /S, you must give at least one name.\n";
    const std::string sortHelp = "SERVICES /O:  " + Dash +
                                 " sort services\n\n\tD\tby display name\n\tN\tby service name\n\tP\tby process "
                                 "ID\n\tS\tby status\n\t-\treverses the following key\n";
    EXPECT_EQ(List("/?"), usage);
    EXPECT_EQ(List("/?x /R"), usage);
    const std::string versioned = List("/??");
    EXPECT_EQ(versioned.compare(0, usage.size(), usage), 0);
    EXPECT_EQ(versioned.compare(usage.size(), 20, "\r\n\t\t\t\tVornel  1.0.25"), 0) << versioned;
    // A help text ends the command before the combination checks.
    for (const char* args : {"/o:q?", "/R /S /O?"})
        EXPECT_EQ(List(args), sortHelp) << args;
}
