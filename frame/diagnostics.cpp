// The prefix before every error message, the system's text for an error
// code, and the usage and version printer.
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <memory>

#include "frame/args.h"
#include "frame/errors.h"
#include "frame/format_text.h"
#include "frame/host.h"
#include "frame/plugin.h"
#include "frame/system_message.h"

namespace {

inline constexpr wchar_t BuildText[] = L"1.0.25.2";

#ifndef VORNEL_MAIN_SOURCE
#define VORNEL_MAIN_SOURCE __FILE__
#endif

// The file name part of a path: after the last slash, or after the last
// colon when no slash precedes it.
const wchar_t* FileNamePart(const wchar_t* path)
{
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p) {
        if (*p == L'\\' || *p == L'/')
            name = p + 1;
    }
    if (name == path) {
        if (const wchar_t* colon = wcsrchr(path, L':'))
            name = colon + 1;
    }
    return name;
}

// The plug-in's name, and in a batch file its name and line.
void PrintErrorPrefix()
{
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    Qprintf(err, L"%s plugin: ", PluginName);

    auto buffer = std::make_unique<wchar_t[]>(MAX_ARG_LEN);  // zeroed
    wcscpy(buffer.get(), L"%_batch");
    ExpandVariables(buffer.get(), 1);
    if (buffer[0] != L'0') {
        wcscpy(buffer.get(), L"%_batchname [%_batchline]  ");
        ExpandVariables(buffer.get(), 1);
        Qprintf(err, L"%s", buffer.get());
    }
}

}  // namespace

int PrintError(const wchar_t* format, ...)
{
    PrintErrorPrefix();
    va_list args;
    va_start(args, format);
    vornel::formatted_text text = vornel::format_text(format, args);
    va_end(args);
    if (text.text)
        Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"%s", text.text.get());
    return 1;
}

int ShowUsage(const wchar_t* text, int withVersion)
{
    QPuts(text);
    if (withVersion) {
        Printf(L"\r\n\t\t\t\t%s  %u.%u.%u.%u (%s)\r\n", PluginName, PluginMajor, PluginMinor, PluginBuild,
               PluginRevision, L"x64");
        auto path = std::make_unique<wchar_t[]>(32768);
        MultiByteToWideChar(CP_ACP, 0, VORNEL_MAIN_SOURCE, -1, path.get(), 32768);
        path[32767] = L'\0';
        Printf(L"\t\t\t\t%s  %s\r\n", FileNamePart(path.get()), BuildText);
    }
    return 0;
}

void FormatSystemMessage(DWORD code, wchar_t* message)
{
    if (code == 0xFFFFFFFF)
        wcscpy(message, L"Unknown error");
    else if (!vornel::SystemMessage(code, message, MESSAGE_SIZE))
        _snwprintf(message, MESSAGE_SIZE, L"Error %d", static_cast<int>(code));
}
