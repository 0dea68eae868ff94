#include "host/orsh/plugin.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>
#include <cwctype>

#include "frame/owners.h"
#include "host/orsh/error.h"
#include "host/orsh/hidden_windows.h"
#include "host/orsh/words.h"
#include "host/orshhost/orshhost_control.h"

namespace orsh {
namespace {

constexpr int BufferSize = 8192;

struct PluginInfoView {  // the leading fields of the plug-in's record
    const wchar_t* name;
    const wchar_t* author;
    const wchar_t* email;
    const wchar_t* www;
    const wchar_t* description;
    const wchar_t* functions;
    unsigned major, minor, build;
};

using CommandFn = int(__cdecl*)(wchar_t*);
using InfoFn = PluginInfoView*(__cdecl*)();
using VoidFn = int(__cdecl*)();
using HelpFn = int(__cdecl*)(const wchar_t*);

vornel::unique_hmodule plugin;
std::vector<std::wstring> commandNames;   // "tasklist", ...
std::vector<std::wstring> functionNames;  // "elevated", ... (without @)
bool viewerMayRun = false;

std::string Lower(const std::wstring& text)
{
    std::string s;
    for (wchar_t c : text)
        s += (char)towlower(c);
    return s;
}

// Variable functions of the plug-in and its internal variables.
int __cdecl Resolve(const wchar_t* name, const wchar_t* args, wchar_t* result)
{
    if (!plugin)
        return 1;
    if (!args) {
        if (_wcsicmp(name, L"_clver") != 0)
            return 1;
        auto clver = reinterpret_cast<CommandFn>(GetProcAddress(plugin.get(), "?_clver$@@YAHPEA_W@Z"));
        if (!clver)
            return 1;
        return clver(result) == 0 ? 0 : -1;
    }
    if (!IsListed(functionNames, name))
        return 1;
    std::string exportName = "f_" + Lower(name);
    auto function = reinterpret_cast<CommandFn>(GetProcAddress(plugin.get(), exportName.c_str()));
    if (!function) {
        Error(L"@%s is not available in this build of the plug-in", name);
        return -1;
    }
    // The function reads its argument from the buffer and replaces it.
    wcsncpy(result, args, BufferSize - 1);
    result[BufferSize - 1] = L'\0';
    return function(result) == 0 ? 0 : -1;
}

// The plug-in keeps the viewer's handle to itself; the viewer is an hh.exe
// that this process started.
std::vector<DWORD> HelpViewers()
{
    std::vector<DWORD> viewers;
    vornel::unique_hfile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return viewers;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId() && _wcsicmp(entry.szExeFile, L"hh.exe") == 0)
            viewers.push_back(entry.th32ProcessID);
    }
    return viewers;
}

}  // namespace

bool LoadPlugin()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll = std::wstring(path, n);
    dll.replace(dll.find_last_of(L'\\') + 1, std::wstring::npos, L"Vornel.dll");
    plugin.reset(LoadLibraryW(dll.c_str()));
    if (!plugin) {
        Error(L"cannot load the plug-in %s: %s", dll.c_str(), SystemReason(GetLastError()).c_str());
        return false;
    }
    auto getInfo = reinterpret_cast<InfoFn>(GetProcAddress(plugin.get(), "GetPluginInfo"));
    auto initialize = reinterpret_cast<VoidFn>(GetProcAddress(plugin.get(), "InitializePlugin"));
    PluginInfoView* info = getInfo ? getInfo() : nullptr;
    if (!info || !info->functions || !initialize) {
        Error(L"%s is not an Orsh plug-in", dll.c_str());
        plugin.reset();
        return false;
    }
    std::wstring list = info->functions;
    for (size_t start = 0; start <= list.size();) {
        size_t comma = list.find(L',', start);
        if (comma == std::wstring::npos)
            comma = list.size();
        std::wstring name = list.substr(start, comma - start);
        if (!name.empty() && name[0] == L'@')
            functionNames.push_back(name.substr(1));
        else if (!name.empty())
            commandNames.push_back(name);
        start = comma + 1;
    }
    OrshSetResolver(Resolve);
    initialize();
    return true;
}

void UnloadPlugin()
{
    if (!plugin)
        return;
    if (auto shutdown = reinterpret_cast<VoidFn>(GetProcAddress(plugin.get(), "ShutdownPlugin")))
        shutdown();
    OrshSetResolver(nullptr);
    plugin.reset();
}

const std::vector<std::wstring>& PluginCommands() { return commandNames; }
const std::vector<std::wstring>& PluginFunctions() { return functionNames; }

int RunPluginCommand(const std::wstring& name, std::wstring arguments)
{
    auto function = reinterpret_cast<CommandFn>(GetProcAddress(plugin.get(), Lower(name).c_str()));
    if (!function) {
        Error(L"%s is not available in this build of the plug-in", name.c_str());
        return 1;
    }
    return function(arguments.data());
}

bool PluginHelp(const std::wstring& topic)
{
    auto help = reinterpret_cast<HelpFn>(plugin ? GetProcAddress(plugin.get(), "Help") : nullptr);
    if (!help)
        return false;
    AnswerHiddenMessageBoxes();  // help is where the plug-in opens windows
    if (help(topic.c_str()) == 0)
        return false;
    viewerMayRun = true;
    if (!HelpViewers().empty())  // else a message box said the file was missing
        SayHelpViewerIsHidden();
    return true;
}

void WaitForHelpViewer()
{
    if (!viewerMayRun)
        return;
    for (DWORD id : HelpViewers()) {
        vornel::unique_handle viewer(OpenProcess(SYNCHRONIZE, FALSE, id));
        if (viewer)
            WaitForSingleObject(viewer.get(), INFINITE);
    }
}

}  // namespace orsh
