// One service line as the host receives it: the columns each flag adds, the
// widths, the state words, and the image path of the service's process.
#include <gtest/gtest.h>

#include <string>

#include "commands/services/services.h"
#include "console/console.h"
#include "tests/support/capture.h"

using vornel::test::Capture;

namespace {

ENUM_SERVICE_STATUS_PROCESSW Spooler(DWORD pid)
{
    ENUM_SERVICE_STATUS_PROCESSW record{};
    record.lpServiceName = const_cast<wchar_t*>(L"Spooler");
    record.lpDisplayName = const_cast<wchar_t*>(L"Print Spooler");
    record.ServiceStatusProcess.dwServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
    record.ServiceStatusProcess.dwCurrentState = SERVICE_RUNNING;
    record.ServiceStatusProcess.dwProcessId = pid;
    return record;
}

std::wstring LineOf(const ENUM_SERVICE_STATUS_PROCESSW& record, DWORD flags, DWORD state = SERVICE_RUNNING,
                    int line = 1, const wchar_t* highlight = nullptr)
{
    Capture capture;
    EXPECT_EQ(PrintServiceLine(&record, flags, state, line, highlight), 0);
    return capture.out();
}

}  // namespace

TEST(ServiceLine, WritesTheColumnsOfEachFlag)
{
    const auto spooler = Spooler(420);
    EXPECT_EQ(LineOf(spooler, 0), L"Spooler             Print Spooler \x2014 Running\r\n");
    EXPECT_EQ(LineOf(spooler, SV_LINE_NUMBERS | SV_PIDS, SERVICE_RUNNING, 7),
              L"  7:      420  Spooler             Print Spooler \x2014 Running\r\n");
    EXPECT_EQ(LineOf(spooler, SV_HEX), L"     1A4  Spooler             Print Spooler \x2014 Running\r\n");
    EXPECT_EQ(LineOf(spooler, SV_HEX | SV_PIDS), L"     1A4  Spooler             Print Spooler \x2014 Running\r\n");
    EXPECT_EQ(LineOf(spooler, SV_TYPES), L"Spooler             Print Spooler  (272) \x2014 Running\r\n");
    EXPECT_EQ(LineOf(spooler, SV_LINE_NUMBERS, SERVICE_RUNNING, 1234),
              L"1234: Spooler             Print Spooler \x2014 Running\r\n");

    // Without a process the ID column is ten blanks, also in hexadecimal.
    const auto stopped = Spooler(0);
    EXPECT_EQ(LineOf(stopped, SV_PIDS, SERVICE_STOPPED),
              L"          Spooler             Print Spooler \x2014 Stopped\r\n");
    EXPECT_EQ(LineOf(stopped, SV_HEX, SERVICE_STOPPED),
              L"          Spooler             Print Spooler \x2014 Stopped\r\n");
    // No ID column at all without /I or /X, whatever the ID.
    EXPECT_EQ(LineOf(stopped, SV_LINE_NUMBERS, SERVICE_STOPPED, 2),
              L"  2: Spooler             Print Spooler \x2014 Stopped\r\n");
}

TEST(ServiceLine, NamesFillEighteenColumnsOrAreWrittenWhole)
{
    auto record = Spooler(0);
    record.lpServiceName = const_cast<wchar_t*>(L"SeventeenCharName");
    EXPECT_EQ(LineOf(record, 0), L"SeventeenCharName   Print Spooler \x2014 Running\r\n");
    record.lpServiceName = const_cast<wchar_t*>(L"AServiceNameOf22Chars!");
    EXPECT_EQ(LineOf(record, 0), L"AServiceNameOf22Chars!  Print Spooler \x2014 Running\r\n");
    // Without colour output the highlight list changes nothing.
    ASSERT_EQ(NormalColor, 0);
    EXPECT_EQ(LineOf(record, 0, SERVICE_RUNNING, 1, L"ASer*|Print*"),
              L"AServiceNameOf22Chars!  Print Spooler \x2014 Running\r\n");
}

TEST(ServiceLine, WritesTheStateWords)
{
    const auto record = Spooler(0);
    const wchar_t* words[] = {L"Unknown", L"Stopped", L"Starting", L"Stopping",
                              L"Running", L"Resuming", L"Pausing",  L"Paused"};
    for (DWORD state = 0; state < 8; ++state)
        EXPECT_EQ(LineOf(record, 0, state), std::wstring(L"Spooler             Print Spooler \x2014 ") + words[state] + L"\r\n");
    EXPECT_EQ(LineOf(record, 0, 8), L"Spooler             Print Spooler \x2014 Unknown\r\n");
    EXPECT_EQ(LineOf(record, 0, 0xFFFFFFFF), L"Spooler             Print Spooler \x2014 Unknown\r\n");
}

TEST(ServiceLine, FileNamesShowTheImagePathOfTheProcess)
{
    // Our own process stands in for a service host.
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::wstring line = LineOf(Spooler(GetCurrentProcessId()), SV_FILENAME);
    const std::wstring name = L"Spooler             ";
    ASSERT_EQ(line.compare(0, name.size(), name), 0) << line;
    const std::wstring tail = L" \x2014 Running\r\n";
    ASSERT_GT(line.size(), name.size() + tail.size());
    EXPECT_EQ(_wcsicmp(line.substr(name.size(), line.size() - name.size() - tail.size()).c_str(), program), 0) << line;

    // No process, or one that does not exist: a single blank, never the
    // display name.
    const std::wstring blank = name + L" \x2014 Running\r\n";
    EXPECT_EQ(LineOf(Spooler(0), SV_FILENAME), blank);
    EXPECT_EQ(LineOf(Spooler(0xFFFFFFF0), SV_FILENAME), blank);
}

TEST(ServiceLine, ReportsStopWhenTheUserStopped)
{
    const auto record = Spooler(0);
    Capture capture;
    CtrlCSeen = 1;
    EXPECT_EQ(PrintServiceLine(&record, 0, SERVICE_RUNNING, 1, nullptr), STOPPED);
    CtrlCSeen = 0;
    EXPECT_EQ(PrintServiceLine(&record, 0, SERVICE_RUNNING, 1, nullptr), 0);
}
