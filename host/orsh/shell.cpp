#include "host/orsh/shell.h"

#include <cwchar>
#include <cwctype>

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

HMODULE plugin = nullptr;
std::vector<std::wstring> commandNames;   // "tasklist", ...
std::vector<std::wstring> functionNames;  // "elevated", ... (without @)

void Error(const wchar_t* format, const std::wstring& what)
{
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"orsh: ");
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), format, what.c_str());
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"\r\n");
}

bool Listed(const std::vector<std::wstring>& names, const std::wstring& name)
{
    for (const auto& n : names) {
        if (_wcsicmp(n.c_str(), name.c_str()) == 0)
            return true;
    }
    return false;
}

std::string Ascii(const std::wstring& text)
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
        auto clver = reinterpret_cast<CommandFn>(GetProcAddress(plugin, "?_clver$@@YAHPEA_W@Z"));
        if (!clver)
            return 1;
        return clver(result) == 0 ? 0 : -1;
    }
    if (!Listed(functionNames, name))
        return 1;
    std::string exportName = "f_" + Ascii(name);
    auto function = reinterpret_cast<CommandFn>(GetProcAddress(plugin, exportName.c_str()));
    if (!function) {
        Error(L"@%s is not available in this build of the plug-in", name);
        return -1;
    }
    // The function reads its argument from the buffer and replaces it.
    wcsncpy(result, args, BufferSize - 1);
    result[BufferSize - 1] = L'\0';
    return function(result) == 0 ? 0 : -1;
}

}  // namespace

bool LoadPlugin()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll = std::wstring(path, n);
    dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"Vornel.dll";
    plugin = LoadLibraryW(dll.c_str());
    if (!plugin) {
        Error(L"cannot load the plug-in %s", dll + L" (error " + std::to_wstring(GetLastError()) + L")");
        return false;
    }
    auto getInfo = reinterpret_cast<InfoFn>(GetProcAddress(plugin, "GetPluginInfo"));
    auto initialize = reinterpret_cast<VoidFn>(GetProcAddress(plugin, "InitializePlugin"));
    PluginInfoView* info = getInfo ? getInfo() : nullptr;
    if (!info || !info->functions || !initialize) {
        Error(L"%s is not an Orsh plug-in", dll);
        FreeLibrary(plugin);
        plugin = nullptr;
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
    if (auto shutdown = reinterpret_cast<VoidFn>(GetProcAddress(plugin, "ShutdownPlugin")))
        shutdown();
    OrshSetResolver(nullptr);
    FreeLibrary(plugin);
    plugin = nullptr;
}

int RunLine(const std::wstring& rawLine, bool* exitRequested)
{
    std::wstring buffer(BufferSize, L'\0');
    wcsncpy(buffer.data(), rawLine.c_str(), BufferSize - 1);
    if (OrshExpand(buffer.data(), BufferSize) != 0)
        return 1;  // a function in the line failed and has said why
    std::wstring line = buffer.c_str();

    size_t start = line.find_first_not_of(L" \t");
    if (start == std::wstring::npos)
        return 0;
    size_t end = line.find_first_of(L" \t", start);
    std::wstring command = line.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    size_t argStart = end == std::wstring::npos ? line.size() : line.find_first_not_of(L" \t", end);
    std::wstring args = argStart == std::wstring::npos ? L"" : line.substr(argStart);

    if (_wcsicmp(command.c_str(), L"echo") == 0) {
        QPuts(args.c_str());
        CrLf();
        return 0;
    }
    if (_wcsicmp(command.c_str(), L"set") == 0) {
        size_t eq = args.find(L'=');
        if (eq == std::wstring::npos || eq == 0) {
            Error(L"usage: set NAME=VALUE%s", L"");
            return 1;
        }
        OrshSetVariable(args.substr(0, eq).c_str(), args.substr(eq + 1).c_str());
        return 0;
    }
    if (_wcsicmp(command.c_str(), L"exit") == 0) {
        *exitRequested = true;
        return args.empty() ? 0 : _wtoi(args.c_str());
    }
    if (_wcsicmp(command.c_str(), L"help") == 0) {
        auto help = reinterpret_cast<HelpFn>(GetProcAddress(plugin, "Help"));
        if (!help) {
            Error(L"help is not available in this build of the plug-in%s", L"");
            return 1;
        }
        if (help(args.c_str()) == 0) {
            Error(L"no help for \"%s\"", args);
            return 1;
        }
        return 0;
    }
    if (Listed(commandNames, command)) {
        auto function = reinterpret_cast<CommandFn>(GetProcAddress(plugin, Ascii(command).c_str()));
        if (!function) {
            Error(L"%s is not available in this build of the plug-in", command);
            return 1;
        }
        return function(args.data());
    }
    Error(L"unknown command: %s", command);
    return 1;
}

}  // namespace orsh
