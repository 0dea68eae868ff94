// Text of other programs on every listing: a program whose file name,
// command line, window title and window class hold control characters, and
// a service whose names do. Each control character is written as one "?",
// the columns keep their widths, and nothing else of the lines changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/process_runner.h"
#include "tests/support/test_service.h"

using namespace vornel::test;

namespace {

// Escape sequences that recolour a terminal and retitle its window, a bell,
// a colour code of the plug-in's own writers, a C1 CSI, DEL, a tab and a
// line feed; then as every listing must write them.
const std::wstring Hostile = L"\x1b[41mRED\x1b]0;PWNED\x07\x12X\x9B" L"2J\x7F\t\n";
const std::string Masked = "?[41mRED?]0;PWNED??X?2J???";

// A copy of the helper whose file name holds a C1 CSI.
const wchar_t HostileFile[] = L"vornel_\x9B" L"2Jhelper.exe";
const std::string Name = "vornel_?2Jhelper";  // 16 characters: no padding
const std::wstring Class = L"VCls\x1b[42m\x11";
const std::string MaskedClass = "VCls?[42m?";
// A service named with an escape sequence and a colour code; the display
// name is "Vornel Test " and the name.
const std::wstring Service = L"VsvEsc\x1b[41m\x11";
const std::string MaskedService = "VsvEsc?[41m?";

std::string Dec(DWORD value)
{
    char text[16];
    snprintf(text, sizeof text, "%5u", static_cast<unsigned>(value));
    return text;
}

// The last column as a listing of 120 columns cuts it.
std::string Clip(const std::string& text, size_t room)
{
    return text.size() > room ? text.substr(0, room - 3) + "..." : text;
}

// Bytes a terminal would act on: C0 controls other than CR, LF and tab (the
// plug-in's own), DEL, and C1 controls in UTF-8.
bool HoldsControls(const std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = text[i];
        if ((c < 0x20 && c != '\r' && c != '\n' && c != '\t') || c == 0x7F ||
            (c == 0xC2 && i + 1 < text.size() && (unsigned char)text[i + 1] < 0xA0))
            return true;
    }
    return false;
}

class ForeignText : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CopyFileW(BinPath(L"vornel_testhelper.exe").c_str(), BinPath(HostileFile).c_str(), FALSE);
        helper = new Helper(L"--tag \"Tag~" + Hostile + L"\" --zero-tildes --window \"Title" + Hostile + L"|" +
                                Class + L"|1|0\"",
                            HostileFile);
    }
    static void TearDownTestSuite()
    {
        delete helper;
        // The copy goes once its process has let go of it.
        for (int i = 0; i < 100 && !DeleteFileW(BinPath(HostileFile).c_str()); ++i)
            Sleep(50);
    }
    static inline Helper* helper = nullptr;
};

TEST_F(ForeignText, ControlCharactersAreWrittenAsMarks)
{
    ASSERT_TRUE(helper->ready());
    TestServices services({Service}, false);
    ASSERT_TRUE(services.ok());
    ASSERT_TRUE(services.Start(Service));
    const DWORD pid = helper->pid(), host = services.ProcessId(Service);
    const std::wstring id = std::to_wstring(pid), hostId = std::to_wstring(host);

    const std::string start = Dec(pid) + "  " + Name + "  ";
    const size_t room = 120 - start.size() - 1;  // the line stays one column short
    const std::string path = Narrow(BinDir()) + "\\vornel_?2Jhelper.exe";
    const std::string title = "Title" + Masked;
    const std::string commandLine = "\"" + path + "\" --tag \"Tag?" + Masked + "\" --zero-tildes --window \"" +
                                    title + "|" + MaskedClass + "|1|0\"";
    const std::string displayName = "Vornel Test " + MaskedService;
    const std::string dash = "\xE2\x80\x94";

    const struct {
        std::wstring args;
        std::string out;
    } cases[] = {
        // The name and the window title; the name column keeps 16 columns.
        {L"tasklist /N:F =" + id, start + Clip(title, room) + "\r\n"},
        // The command line, its zero shown, cut to the same room.
        {L"tasklist /N:F /L =" + id, start + Clip(commandLine, room) + "\r\n"},
        // The window class column keeps its 20 columns.
        {L"tasklist /N:F /N =" + id,
         Dec(pid) + "  " + MaskedClass + std::string(12, ' ') + Name + "  " + Clip(title, room - 22) + "\r\n"},
        {L"tasklist /N:F /F =" + id, start + Clip(path, room) + "\r\n"},
        {L"enumprocesses /W " + id, "\r\n" + std::to_string(pid) + "  vornel_?2Jhelper.exe  " + title + "\r\n"},
        // Service names and display names, in every listing that shows them.
        {L"services VsvEsc*", MaskedService + std::string(6, ' ') + "  " + displayName + " " + dash + " Running\r\n"},
        {L"tasklist /N:F =" + hostId, Dec(host) + "  vornel_testservice  " + displayName + "\r\n"},
        {L"enumprocesses /W " + hostId,
         "\r\n" + std::to_string(host) + "  vornel_testservice.exe  " + displayName + "\r\n"},
    };
    for (const auto& c : cases) {
        RunResult r = RunOrsh(c.args);
        EXPECT_EQ(_stricmp(r.out.c_str(), c.out.c_str()), 0) << Narrow(c.args) << "\n" << r.out << "\n" << c.out;
        EXPECT_FALSE(HoldsControls(r.out)) << Narrow(c.args);
        EXPECT_EQ(r.exitCode, 0u) << Narrow(c.args);
    }

    // The module list: the program's own path comes first.
    RunResult d = RunOrsh(L"tasklist /N:F /D =" + id);
    const std::string modules = start + Clip(title, room) + "\r\n\t" + path + "\r\n";
    EXPECT_EQ(_stricmp(d.out.substr(0, modules.size()).c_str(), modules.c_str()), 0) << d.out;
    EXPECT_FALSE(HoldsControls(d.out));

    // A variable function answers with the value itself: what the shell
    // does with it is the shell's.
    EXPECT_EQ(RunOrsh(L"echo %@pidsvcnames[" + hostId + L"]").out, "Vornel Test " + Narrow(Service) + "\r\n");
}

}  // namespace
