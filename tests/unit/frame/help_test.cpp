// The Help entry point: which names it answers, which help file it picks,
// and the command line the help viewer really receives. In this program the
// plug-in's module is the test program itself, so "beside the DLL" is the
// bin directory, where the build puts Vornel.chm, unless a test loads the
// plug-in from a folder of its own.
#include <gtest/gtest.h>

#include <string>

#include "frame/help.h"
#include "frame/owners.h"
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
        SetVariables(nullptr, nullptr);
        ASSERT_NE(GetFileAttributesW(BinPath(L"Vornel.chm").c_str()), INVALID_FILE_ATTRIBUTES)
            << "the build puts Vornel.chm beside the test program";
        ASSERT_FALSE(vornel::test::ViewerPath().empty());
    }

    void TearDown() override
    {
        if (HelpViewerProcess) {
            vornel::test::EndProcess(HelpViewerProcess.get());
            HelpViewerProcess.reset();
        }
        SetVariables(nullptr, nullptr);
    }

    static void SetVariables(const wchar_t* vornelHelp, const wchar_t* pluginHelp)
    {
        OrshSetVariable(L"VornelHelp", vornelHelp);
        OrshSetVariable(L"PluginHelp", pluginHelp);
    }

    static std::wstring ViewerCommandLine()
    {
        return HelpViewerProcess ? ReadCommandLine(HelpViewerProcess.get()) : L"(no viewer)";
    }

    static std::wstring Expected(const std::wstring& directory, const std::wstring& page)
    {
        return L"\"" + vornel::test::ViewerPath() + L"\" \"" + directory + L"\\Vornel.chm::/" + page + L".html\"";
    }

    // Members, so that they outlive the viewer that has their files open.
    ScratchDirectory first, second, third, decoy;
};

TEST_F(HelpTest, ItsNamesOpenTheirPagesOthersAreLeftToTheHost)
{
    for (const wchar_t* topic : {L"pidexename", L"tasklist.exe", L"_clver", L"", L"@", L"task", L"tasklistx",
                                 L"f_elevated", L"services,tasklist", PluginNames, (const wchar_t*)nullptr})
        EXPECT_EQ(Help(topic), 0) << (topic ? topic : L"-");
    EXPECT_EQ(HelpViewerProcess.get(), nullptr);
    const struct {
        const wchar_t *topic, *page;
    } cases[] = {
        {L"SERVICES", L"services"},           {L"services", L"services"},
        {L"Services", L"services"},           {L"tasklist", L"tasklist"},
        {L"EnumProcesses", L"enumprocesses"}, {L"@PIDEXENAME", L"f_pidexename"},
        {L"@elevated", L"f_elevated"},        {L"@PidSvcNames", L"f_pidsvcnames"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.topic);
        // Each request ends the viewer of the one before, which stays open
        // until then.
        HANDLE previous = nullptr;
        if (HelpViewerProcess)
            DuplicateHandle(GetCurrentProcess(), HelpViewerProcess.get(), GetCurrentProcess(), &previous, 0, FALSE,
                            DUPLICATE_SAME_ACCESS);
        vornel::unique_handle previousOwner(previous);
        EXPECT_EQ(previous ? WaitForSingleObject(previous, 200) : WAIT_TIMEOUT, static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_EQ(Help(c.topic), 1);
        EXPECT_EQ(ViewerCommandLine(), Expected(BinDir(), c.page));
        DWORD code = 0;
        if (previous) {
            EXPECT_EQ(WaitForSingleObject(previous, 10000), WAIT_OBJECT_0);
            EXPECT_TRUE(GetExitCodeProcess(previous, &code));
        }
        EXPECT_EQ(code, 0u);
    }
}

TEST_F(HelpTest, VornelHelpWinsThenPluginHelpThenTheModuleDirectory)
{
    ASSERT_TRUE(first.Copy(BinPath(L"Vornel.chm")));
    ASSERT_TRUE(second.Copy(BinPath(L"Vornel.chm")));
    const struct {
        const wchar_t *vornelHelp, *pluginHelp;
        std::wstring directory;
    } cases[] = {
        {first.path().c_str(), second.path().c_str(), first.path()},
        {nullptr, second.path().c_str(), second.path()},
        {nullptr, nullptr, BinDir()},
        // A directory without the file, and one where Vornel.chm is itself a
        // directory: the search goes on beside the module.
        {decoy.path().c_str(), third.path().c_str(), BinDir()},
    };
    ASSERT_TRUE(third.MakeDirectory(L"Vornel.chm"));
    for (const auto& c : cases) {
        SetVariables(c.vornelHelp, c.pluginHelp);
        ASSERT_EQ(Help(L"services"), 1);
        EXPECT_EQ(ViewerCommandLine(), Expected(c.directory, L"services"));
    }
}

TEST_F(HelpTest, BesideThePluginBeforeBesideTheShell)
{
    // The plug-in loaded from a folder of its own, each folder with a help
    // file; the shell's folder is this program's, the bin folder.
    ASSERT_TRUE(first.Copy(BinPath(L"Vornel.dll")));
    ASSERT_TRUE(first.Copy(BinPath(L"Vornel.chm")));
    HMODULE plugin = LoadLibraryW((first.path() + L"\\Vornel.dll").c_str());
    ASSERT_NE(plugin, nullptr);
    const HMODULE own = PluginModule;
    PluginModule = plugin;
    vornel::scope_exit restore([&] {
        PluginModule = own;
        FreeLibrary(plugin);
    });

    ASSERT_EQ(Help(L"services"), 1);
    EXPECT_EQ(ViewerCommandLine(), Expected(first.path(), L"services"));
    vornel::test::EndProcess(HelpViewerProcess.get());  // it holds the file open
    ASSERT_TRUE(DeleteFileW((first.path() + L"\\Vornel.chm").c_str()));
    ASSERT_EQ(Help(L"services"), 1);
    EXPECT_EQ(ViewerCommandLine(), Expected(BinDir(), L"services"));
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
    EXPECT_EQ(HelpViewerProcess.get(), nullptr);

    // The same path through a variable that is set is a candidate like any other.
    OrshSetVariable(L"VornelHelp", bin.substr(0, 2).c_str());
    EXPECT_EQ(TryHelpFile(candidate.c_str(), L"tasklist"), 1);
    EXPECT_EQ(ViewerCommandLine(), Expected(bin, L"tasklist"));
}

TEST_F(HelpTest, NoViewerForWhatCannotBeAPathOrACommandLine)
{
    const std::wstring file = BinPath(L"Vornel.chm"), tooLong(40000, L'a'), plugin = L"~\\" + tooLong;
    // This page name just fits "FILE::/PAGE.html" into the 32,768 characters of a path, leaving no room for
    // the viewer's path and the quotes around it on the command line.
    const std::wstring page(32768 - file.size() - 10, L'p');
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {nullptr, L"tasklist"}, {file.c_str(), nullptr}, {tooLong.c_str(), L"tasklist"},
        {plugin.c_str(), L"tasklist"}, {L"%[VornelNoSuchVariable]", L"tasklist"},
        {file.c_str(), tooLong.c_str()}, {file.c_str(), page.c_str()},
    };
    for (auto [candidate, topic] : cases)
        EXPECT_EQ(TryHelpFile(candidate, topic), 0) << (candidate ? std::wstring(candidate).substr(0, 40) : L"-");
    // A plug-in module that has no name (a handle of no module) has no directory to look in.
    const HMODULE own = PluginModule;
    PluginModule = reinterpret_cast<HMODULE>(0x10);
    EXPECT_EQ(TryHelpFile(L"~\\Vornel.chm", L"tasklist"), 0);
    PluginModule = own;
    EXPECT_EQ(HelpViewerProcess.get(), nullptr);
}

}  // namespace
