// The Help entry point: which names it answers, which help file it picks,
// and the command line the help viewer really receives. In this program the
// plug-in's module is the test program itself, so "beside the DLL" is the
// bin directory, where the build puts Vornel.chm.
#include <gtest/gtest.h>

#include <string>

#include "frame/help.h"
#include "frame/plugin.h"
#include "host/orshhost/orshhost_control.h"
#include "tests/support/help_viewer.h"
#include "tests/support/process_runner.h"

namespace {

using vornel::test::BinDir;
using vornel::test::BinPath;
using vornel::test::ReadCommandLine;
using vornel::test::ScratchDirectory;

class HelpTest : public testing::Test {
protected:
    void SetUp() override
    {
        ClearVariables();
        ASSERT_NE(GetFileAttributesW(BinPath(L"Vornel.chm").c_str()), INVALID_FILE_ATTRIBUTES)
            << "the build puts Vornel.chm beside the test program";
        ASSERT_FALSE(vornel::test::ViewerPath().empty());
    }

    void TearDown() override
    {
        if (HelpViewerProcess) {
            vornel::test::EndProcess(HelpViewerProcess);
            CloseHandle(HelpViewerProcess);
            HelpViewerProcess = nullptr;
        }
        ClearVariables();
    }

    static void ClearVariables()
    {
        OrshSetVariable(L"VornelHelp", nullptr);
        OrshSetVariable(L"PluginHelp", nullptr);
    }

    // A directory holding a copy of the help file.
    static void AddHelpFile(const ScratchDirectory& directory)
    {
        ASSERT_TRUE(directory.Copy(BinPath(L"Vornel.chm")));
    }

    static std::wstring ViewerCommandLine()
    {
        return HelpViewerProcess ? ReadCommandLine(HelpViewerProcess) : L"(no viewer)";
    }

    static std::wstring Expected(const std::wstring& directory, const std::wstring& page)
    {
        return L"\"" + vornel::test::ViewerPath() + L"\" \"" + directory + L"\\Vornel.chm::/" + page + L".html\"";
    }

    // Members, so that they outlive the viewer that has their files open.
    ScratchDirectory first, second, decoy;
};

TEST_F(HelpTest, EachSpellingOfANameOpensItsPage)
{
    const struct {
        const wchar_t* topic;
        const wchar_t* page;
    } cases[] = {
        {L"SERVICES", L"services"},           {L"services", L"services"},
        {L"Services", L"services"},           {L"tasklist", L"tasklist"},
        {L"EnumProcesses", L"enumprocesses"}, {L"@PIDEXENAME", L"f_pidexename"},
        {L"@elevated", L"f_elevated"},        {L"@PidSvcNames", L"f_pidsvcnames"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Help(c.topic), 1) << c.topic;
        EXPECT_EQ(ViewerCommandLine(), Expected(BinDir(), c.page)) << c.topic;
    }
}

TEST_F(HelpTest, OtherNamesAreLeftToTheHost)
{
    for (const wchar_t* topic : {L"pidexename", L"tasklist.exe", L"_clver", L"", L"@", L"task", L"tasklistx",
                                 L"f_elevated", L"services,tasklist", PluginNames}) {
        EXPECT_EQ(Help(topic), 0) << topic;
    }
    EXPECT_EQ(Help(nullptr), 0);
    EXPECT_EQ(HelpViewerProcess, nullptr);
}

TEST_F(HelpTest, VornelHelpWinsThenPluginHelpThenTheModuleDirectory)
{
    AddHelpFile(first);
    AddHelpFile(second);
    OrshSetVariable(L"VornelHelp", first.path().c_str());
    OrshSetVariable(L"PluginHelp", second.path().c_str());
    ASSERT_EQ(Help(L"services"), 1);
    EXPECT_EQ(ViewerCommandLine(), Expected(first.path(), L"services"));

    OrshSetVariable(L"VornelHelp", nullptr);
    ASSERT_EQ(Help(L"services"), 1);
    EXPECT_EQ(ViewerCommandLine(), Expected(second.path(), L"services"));

    OrshSetVariable(L"PluginHelp", nullptr);
    ASSERT_EQ(Help(L"services"), 1);
    EXPECT_EQ(ViewerCommandLine(), Expected(BinDir(), L"services"));
}

TEST_F(HelpTest, PlacesWithoutAUsableFileAreSkipped)
{
    // VornelHelp names a directory without the file, PluginHelp one where
    // Vornel.chm is itself a directory: the search goes on beside the module.
    OrshSetVariable(L"VornelHelp", decoy.path().c_str());
    ASSERT_TRUE(first.MakeDirectory(L"Vornel.chm"));
    OrshSetVariable(L"PluginHelp", first.path().c_str());
    ASSERT_EQ(Help(L"tasklist"), 1);
    EXPECT_EQ(ViewerCommandLine(), Expected(BinDir(), L"tasklist"));
}

TEST_F(HelpTest, AnUnsetVariableNamesNoDirectory)
{
    // Unset, %[VornelHelp] leaves a path from the root of the current drive,
    // where a help file does exist: still no candidate.
    std::wstring bin = BinDir();
    std::wstring candidate = L"%[VornelHelp]" + bin.substr(2) + L"\\Vornel.chm";
    ASSERT_NE(GetFileAttributesW((bin.substr(2) + L"\\Vornel.chm").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the test runs on the drive of its program";
    EXPECT_EQ(TryHelpFile(candidate.c_str(), L"tasklist"), 0);
    EXPECT_EQ(HelpViewerProcess, nullptr);

    // The same path through a variable that is set is a candidate like any other.
    OrshSetVariable(L"VornelHelp", bin.substr(0, 2).c_str());
    EXPECT_EQ(TryHelpFile(candidate.c_str(), L"tasklist"), 1);
    EXPECT_EQ(ViewerCommandLine(), Expected(bin, L"tasklist"));
}

TEST_F(HelpTest, TheNextRequestEndsThePreviousViewer)
{
    ASSERT_EQ(Help(L"tasklist"), 1);
    HANDLE previous = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), HelpViewerProcess, GetCurrentProcess(), &previous, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    ASSERT_EQ(ReadCommandLine(previous), Expected(BinDir(), L"tasklist"));
    ASSERT_EQ(WaitForSingleObject(previous, 500), static_cast<DWORD>(WAIT_TIMEOUT)) << "the viewer stays open";

    ASSERT_EQ(Help(L"@elevated"), 1);
    EXPECT_EQ(WaitForSingleObject(previous, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeProcess(previous, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(previous);
    EXPECT_EQ(WaitForSingleObject(HelpViewerProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(ViewerCommandLine(), Expected(BinDir(), L"f_elevated"));
}

}  // namespace
