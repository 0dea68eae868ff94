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
std::string Pad(const std::string& name)
{
    std::string padded = name;
    if (padded.size() < 18)
        padded.resize(18, ' ');
    return padded + "  ";
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

}  // namespace

TEST(Services, SelectsByKeyNameInEnumerationOrder)
{
    // Created out of name order: the enumeration keeps the creation order.
    TestServices services({L"VsvSelBeta", L"VsvSelGamma", L"VsvSelAlpha"}, false);
    ASSERT_TRUE(services.ok());
    const std::string all =
        Line("VsvSelBeta", "Stopped") + Line("VsvSelGamma", "Stopped") + Line("VsvSelAlpha", "Stopped");
    EXPECT_EQ(List("VsvSel*"), all);
    // Patterns keep their case and still match without regard to it.
    EXPECT_EQ(List("vsvsel*"), all);
    // Empty highlight patterns are ignored; without a console none applies.
    EXPECT_EQ(List("/HL: /HL= /HL:VsvSel* VsvSel*"), all);
    // Several names: one line per service, in enumeration order, once.
    EXPECT_EQ(List("VsvSelAlpha VsvSelB* VsvSel?lpha"), Line("VsvSelBeta", "Stopped") + Line("VsvSelAlpha", "Stopped"));
    // The display name never selects.
    EXPECT_EQ(List("Vornel*"), "");
    EXPECT_EQ(List("NoSuchVsvService"), "");
}

TEST(Services, LongNamesAreWrittenWhole)
{
    TestServices services({L"VsvLongServiceName", L"VsvLongerServiceName22"}, false);
    ASSERT_TRUE(services.ok());
    EXPECT_EQ(List("VsvLong*"),
              "VsvLongServiceName  Vornel Test VsvLongServiceName " + Dash + " Stopped\r\n" +
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

    EXPECT_EQ(List("VsvOrd*"), b + c + a + s);
    EXPECT_EQ(List("/O:U VsvOrd*"), b + c + a + s);
    EXPECT_EQ(List("/O VsvOrd*"), a + b + c + s);
    EXPECT_EQ(List("/o:n VsvOrd*"), a + b + c + s);
    EXPECT_EQ(List("/O:-N VsvOrd*"), s + c + b + a);
    EXPECT_EQ(List("/O:D VsvOrd*"), a + b + c + s);
    EXPECT_EQ(List("/O:-D VsvOrd*"), s + c + b + a);
    // Equal keys keep the enumeration order: B, A, S are all stopped.
    EXPECT_EQ(List("/O:S VsvOrd*"), b + a + s + c);
    EXPECT_EQ(List("/O:-SN VsvOrd*"), c + a + b + s);
    EXPECT_EQ(List("/O:P VsvOrd*"), b + a + s + c);
    EXPECT_EQ(List("/O:-P VsvOrd*"), c + b + a + s);
    EXPECT_EQ(List("/O:T VsvOrd*"), b + c + a + s);
    EXPECT_EQ(List("/O:-TN VsvOrd*"), s + a + b + c);
    // The last /O wins.
    EXPECT_EQ(List("/O:-N /O:N VsvOrd*"), a + b + c + s);
}

TEST(Services, FiltersByProcessIdAndWritesIdColumns)
{
    TestServices services({L"VsvPidRun", L"VsvPidIdle"}, false);
    ASSERT_TRUE(services.ok());
    ASSERT_TRUE(services.Start(L"VsvPidRun"));
    const DWORD pid = services.ProcessId(L"VsvPidRun");
    ASSERT_NE(pid, 0u);
    const std::string run = Line("VsvPidRun", "Running"), idle = Line("VsvPidIdle", "Stopped");

    // Every spelling of the ID selects the service host, and only it.
    for (const std::string& filter : {"/I:" + Text("%u", pid), "/I=" + Text("%u", pid), "/I" + Text("%u", pid),
                                      "/I:0x" + Text("%X", pid), "/i:0X" + Text("%x", pid)})
        EXPECT_EQ(List(filter), run) << filter;
    // With names as well, both must hold.
    EXPECT_EQ(List("/I:" + Text("%u", pid) + " VsvPidIdle"), "");
    EXPECT_EQ(List("/I:0 VsvPid*"), run + idle);

    // Decimal, hexadecimal, and ten blanks for a service without a process.
    const std::string blanks(10, ' ');
    EXPECT_EQ(List("/I VsvPid*"), Text("%8u  ", pid) + run + blanks + idle);
    EXPECT_EQ(List("/X VsvPid*"), Text("%8X  ", pid) + run + blanks + idle);
    EXPECT_EQ(List("/L/I VsvPid*"), "  1: " + Text("%8u  ", pid) + run + "  2: " + blanks + idle);
    EXPECT_EQ(List("/L /I:" + Text("%u", pid)), "  1: " + run);
}

TEST(Services, SelectsByTypeMask)
{
    TestServices own({L"VsvTypeOwn"}, false);
    TestServices shared({L"VsvTypeShare"}, true);
    ASSERT_TRUE(own.ok() && shared.ok());
    const std::string o = Line("VsvTypeOwn", "Stopped"), s = Line("VsvTypeShare", "Stopped");

    EXPECT_EQ(List("/T16 VsvType*"), o);
    EXPECT_EQ(List("/T:0x20 VsvType*"), s);
    EXPECT_EQ(List("/T=48 VsvType*"), o + s);
    EXPECT_EQ(List("/T0 VsvType*"), o + s);
    EXPECT_EQ(List("/T:1 VsvType*"), "");
    // Drivers are listed by default, and only drivers with /T1.
    EXPECT_EQ(List("MountMgr"), "MountMgr            Mount Manager " + Dash + " Running\r\n");
    EXPECT_EQ(List("/T:0x30 MountMgr"), "");
    const std::string drivers = List("/T1 /V");
    EXPECT_NE(drivers.find("MountMgr"), std::string::npos);
    size_t lines = 0, typed = 0;
    for (size_t at = 0; (at = drivers.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    for (size_t at = 0; (at = drivers.find(" (1) " + Dash, at)) != std::string::npos; ++at)
        ++typed;
    EXPECT_EQ(typed, lines);
    // A mask the system rejects lists nothing and is no error.
    EXPECT_EQ(List("/T:0x4000"), "");
}

// /F for a running and a stopped service: the running one shows its program
// in drive-letter form; the stopped one has no process, so its column is a
// single blank.
void CheckImagePaths(const std::string& args)
{
    const std::string program = Narrow(BinPath(L"vornel_testservice.exe"));
    const std::string listed = List(args);
    const std::string run = Pad("VsvFileRun");
    ASSERT_EQ(listed.compare(0, run.size(), run), 0) << listed;
    const size_t pathEnd = listed.find(" " + Dash);
    ASSERT_NE(pathEnd, std::string::npos);
    EXPECT_EQ(_stricmp(listed.substr(run.size(), pathEnd - run.size()).c_str(), program.c_str()), 0) << listed;
    EXPECT_EQ(listed.substr(pathEnd), " " + Dash + " Running\r\n" + Pad("VsvFileIdle") + " " + Dash + " Stopped\r\n");
}

TEST(Services, WritesTypeValues)
{
    TestServices own({L"VsvTypeValue"}, true);
    ASSERT_TRUE(own.ok());
    EXPECT_EQ(List("/V VsvTypeValue"), Pad("VsvTypeValue") + "Vornel Test VsvTypeValue  (32) " + Dash + " Stopped\r\n");
}

// Runs in both prefixes: where Windows reports a version below 6 the path is
// read with the older, wider query right.
TEST(ServicesOldWindows, WritesImagePaths)
{
    TestServices own({L"VsvFileRun", L"VsvFileIdle"}, false);
    ASSERT_TRUE(own.ok());
    ASSERT_TRUE(own.Start(L"VsvFileRun"));
    CheckImagePaths("/F VsvFile*");
}

TEST(Services, StartsAndStopsTheListedServices)
{
    TestServices services({L"VsvCtlOne", L"VsvCtlTwo", L"VsvCtlOther"}, false);
    ASSERT_TRUE(services.ok());

    // The line shows the state right after the request.
    std::string started = List("/R VsvCtlOne VsvCtlTwo");
    EXPECT_TRUE(started == Line("VsvCtlOne", "Starting") + Line("VsvCtlTwo", "Starting") ||
                started == Line("VsvCtlOne", "Running") + Line("VsvCtlTwo", "Running") ||
                started == Line("VsvCtlOne", "Running") + Line("VsvCtlTwo", "Starting") ||
                started == Line("VsvCtlOne", "Starting") + Line("VsvCtlTwo", "Running"))
        << started;
    EXPECT_TRUE(Becomes(services, L"VsvCtlOne", SERVICE_RUNNING));
    EXPECT_TRUE(Becomes(services, L"VsvCtlTwo", SERVICE_RUNNING));
    EXPECT_EQ(services.State(L"VsvCtlOther"), (DWORD)SERVICE_STOPPED);

    // Starting a running service changes nothing and is no error.
    EXPECT_EQ(List("/R VsvCtlOne"), Line("VsvCtlOne", "Running"));

    std::string stopped = List("/S VsvCtlOne");
    EXPECT_TRUE(stopped == Line("VsvCtlOne", "Stopping") || stopped == Line("VsvCtlOne", "Stopped")) << stopped;
    EXPECT_TRUE(Becomes(services, L"VsvCtlOne", SERVICE_STOPPED));
    EXPECT_EQ(services.State(L"VsvCtlTwo"), (DWORD)SERVICE_RUNNING);

    // Stopping a stopped service shows the enumerated state.
    EXPECT_EQ(List("/S VsvCtlOne"), Line("VsvCtlOne", "Stopped"));

    // Requests go only to the services that are listed: the process-ID
    // filter leaves the running one out.
    EXPECT_EQ(List("/S /I:1 VsvCtl*"), "");
    EXPECT_EQ(services.State(L"VsvCtlTwo"), (DWORD)SERVICE_RUNNING);
}

TEST(Services, RejectsBadCommandLinesWithMessageAndCode)
{
    const std::string prefix = "Vornel plugin: ";
    const struct {
        const char* args;
        std::string message;
    } cases[] = {
        {"/R", "You must specify at least one name with /R\r\n"},
        {"/S", "You must specify at least one name with /S\r\n"},
        {"/R /S VsvNone", "Can\xE2\x80\x99t combine /R and /S\r\n"},
        {"/s /r", "Can\xE2\x80\x99t combine /R and /S\r\n"},
        {"/HL", "Syntax error: \"/HL\"\r\n"},
        {"/hlx", "Syntax error: \"/HLX\"\r\n"},
        {"/H", "Unknown option: \"/H\"\r\n"},
        {"/q /x", "Unknown option: \"/Q\"\r\n"},
        {"/ix", "Bad PID: \"X\"\r\n"},
        {"/I:0x", "Bad PID: \"0X\"\r\n"},
        {"/I:12ab", "Bad PID: \"12AB\"\r\n"},
        {"/I=4294967296", "Bad PID: \"4294967296\"\r\n"},
        {"/I:-1", "Bad PID: \"-1\"\r\n"},
        {"/TS", "Bad value: \"S\"\r\n"},
        {"/T", "Bad value: \"\"\r\n"},
        {"/t:0x1g", "Bad value: \"0x1g\"\r\n"},
        {"/O:Q", "Bad sort key: /O:Q\r\n"},
        {"/P,1001", "Pause lines must be 0 - 1000: 1001\r\n"},
        // Words after the rejected one are not examined.
        {"/H /O?", "Unknown option: \"/H\"\r\n"},
    };
    for (const auto& c : cases) {
        RunResult result = Services(c.args);
        EXPECT_EQ(result.exitCode, 1u) << c.args;
        EXPECT_EQ(result.out, "") << c.args;
        EXPECT_EQ(result.err, prefix + c.message) << c.args;
    }
    // A word beginning with a minus sign is a name, not a switch.
    EXPECT_EQ(List("-VsvNone"), "");
}

TEST(Services, PrintsHelpTexts)
{
    const std::string usage = Narrow(
        L"List, start, or stop services.\n\nSERVICES /D /F /I /I: /L /O: /P /R /S /Tn /V /X name....\r\n\n\t/D\tno "
        L"highlight\n\t/F\tshow filenames\n\t/I\tshow process IDs\n\t/I:\tonly processes with the given "
        L"PID\n\t/L\tline numbers\n\t/O:\tsort services; /O? for more info\n\t/P\tpage output\n\t/R\tstart "
        L"services\n\t/S\tstop services\n\t/Tn\tservices of type\n\t/V\tshow service type values\n\t/X\tshow "
        L"process IDs in hex\n\nYou may specify more than one name; names may contain wildcards.\nIf you use /R or "
        L"/S, you must give at least one name.\n");
    const std::string sortHelp = "SERVICES /O:  " + Dash +
                                 " sort services\n\n\tD\tby display name\n\tN\tby service name\n\tP\tby process "
                                 "ID\n\tS\tby status\n\t-\treverses the following key\n";
    EXPECT_EQ(List("/?"), usage);
    EXPECT_EQ(List("/?x /R"), usage);
    const std::string versioned = List("/??");
    EXPECT_EQ(versioned.compare(0, usage.size(), usage), 0);
    EXPECT_EQ(versioned.compare(usage.size(), 20, "\r\n\t\t\t\tVornel  1.0.25"), 0) << versioned;
    EXPECT_EQ(List("/O?"), sortHelp);
    EXPECT_EQ(List("/o:n?"), sortHelp);
    EXPECT_EQ(List("/O:Q?"), sortHelp);
    // A help text ends the command before the combination checks.
    EXPECT_EQ(List("/R /S /O?"), sortHelp);
}
