// One service line as the host receives it: widths beyond what real
// listings show, the state words, an unreadable image path, and the stop.
#include <gtest/gtest.h>

#include <string>

#include "commands/services/services.h"
#include "console/console.h"
#include "tests/support/capture.h"

using vornel::test::Capture;

namespace {

ENUM_SERVICE_STATUS_PROCESSW Spooler(DWORD pid, const wchar_t* name = L"Spooler")
{
    ENUM_SERVICE_STATUS_PROCESSW record{};
    record.lpServiceName = const_cast<wchar_t*>(name);
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

TEST(ServiceLine, ColumnWidthsAndPrecedence)
{
    // Hexadecimal wins over decimal; numbers wider than their column push on.
    EXPECT_EQ(LineOf(Spooler(420), SV_HEX | SV_PIDS), L"     1A4  Spooler             Print Spooler \x2014 Running\r\n");
    EXPECT_EQ(LineOf(Spooler(123456789), SV_PIDS | SV_LINE_NUMBERS, SERVICE_RUNNING, 1234),
              L"1234: 123456789  Spooler             Print Spooler \x2014 Running\r\n");
    EXPECT_EQ(LineOf(Spooler(420), SV_TYPES), L"Spooler             Print Spooler  (272) \x2014 Running\r\n");
    // 17 characters still get the padding; without colour output the
    // highlight list changes nothing.
    ASSERT_EQ(NormalColor, 0);
    EXPECT_EQ(LineOf(Spooler(0, L"SeventeenCharName"), 0, SERVICE_RUNNING, 1, L"Seven*|Print*"),
              L"SeventeenCharName   Print Spooler \x2014 Running\r\n");
    // A wide name fills the column by its columns, not its characters.
    EXPECT_EQ(LineOf(Spooler(0, L"\u6253\u5370\u670D\u52A1"), 0),
              L"\u6253\u5370\u670D\u52A1" + std::wstring(12, L' ') + L"Print Spooler \x2014 Running\r\n");
    // The file name of a process that cannot be opened is blank: 11 blanks
    // of padding, two after the name, the blank column.
    EXPECT_EQ(LineOf(Spooler(0xFFFFFFF0), SV_FILENAME), L"Spooler" + std::wstring(14, L' ') + L"\x2014 Running\r\n");
}

TEST(ServiceLine, StateWordsAndTheStop)
{
    const auto record = Spooler(0);
    const wchar_t* words[] = {L"Unknown", L"Stopped", L"Starting", L"Stopping", L"Running",
                              L"Resuming", L"Pausing", L"Paused", L"Unknown"};
    for (DWORD state = 0; state < 9; ++state)
        EXPECT_EQ(LineOf(record, 0, state), std::wstring(L"Spooler             Print Spooler \x2014 ") + words[state] + L"\r\n");
    EXPECT_EQ(LineOf(record, 0, 0xFFFFFFFF), L"Spooler             Print Spooler \x2014 Unknown\r\n");

    Capture capture;
    CtrlCSeen = 1;
    EXPECT_EQ(PrintServiceLine(&record, 0, SERVICE_RUNNING, 1, nullptr), STOPPED);
    CtrlCSeen = 0;
    EXPECT_EQ(PrintServiceLine(&record, 0, SERVICE_RUNNING, 1, nullptr), 0);
    EXPECT_EQ(PrintServiceLine(nullptr, 0, SERVICE_RUNNING, 1, nullptr), -1);
    EXPECT_EQ(LineOf(record, 0, SERVICE_RUNNING, 1, L""), L"Spooler             Print Spooler \x2014 Running\r\n");
}
