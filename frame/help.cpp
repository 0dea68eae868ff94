// The Help entry point: the host asks for help on one of the plug-in's names,
// and the plug-in opens its compiled help file at that name's page in the
// system's HTML help viewer.
#include "frame/help.h"

#include <cwchar>
#include <cwctype>
#include <memory>

#include "frame/args.h"
#include "frame/host.h"
#include "frame/plugin.h"

namespace {

constexpr DWORD PathSize = 32768;
constexpr int CandidateSize = 1024;
constexpr int PageSize = 1024;

// The places of the help file, in the host's variable syntax, each %s being
// the plug-in's name: the user's own variables first, then beside the DLL,
// then beside the shell, then the Windows help directory.
const wchar_t* const CandidateFormats[] = {
    L"%%[%sHelp]\\%s.chm",
    L"%%[PluginHelp]\\%s.chm",
    L"~\\%s.chm",
    L"~\\Help\\%s.chm",
    L"%%@path[%%_cmdspec]%s.chm",
    L"%%@path[%%_cmdspec]help\\%s.chm",
    L"%%windir\\help\\%s.chm",
};

const wchar_t MissingHelpCaption[] = L"Missing Help File";
const wchar_t MissingHelpFormat[] =
    L"I can\u2019t find the help file %s.chm.  It should be:\n\n"
    L"    \u2022  in a directory specified in %%%sHELP\n"
    L"    \u2022  in a directory specified in %%PLUGINHELP\n"
    L"    \u2022  in the same directory as the .DLL file\n"
    L"    \u2022  in a HELP directory within the .DLL\u2019s directory  \n"
    L"    \u2022  in the same directory as the command shell\n"
    L"    \u2022  in a HELP directory within the shell\u2019s directory  \n"
    L"    \u2022  or in %s\\Help.\n";

// Appends `text` to the `length` characters of `buffer`; false, with the
// buffer unchanged, when the result would not fit into `size` characters.
bool Append(wchar_t* buffer, size_t size, size_t& length, const wchar_t* text)
{
    size_t n = wcslen(text);
    if (length + n >= size)
        return false;
    wmemcpy(buffer + length, text, n + 1);
    length += n;
    return true;
}

// "~\rest" names a file in the plug-in's own directory: the module's full
// name with everything from its last backslash on replaced by "\rest".
bool ExpandPluginDirectory(const wchar_t* candidate, wchar_t* path)
{
    DWORD n = GetModuleFileNameW(PluginModule, path, PathSize);
    if (n == 0 || n >= PathSize)
        return false;
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash)
        return false;
    size_t length = slash - path;
    *slash = L'\0';
    return Append(path, PathSize, length, candidate + 1);
}

// A help file must exist and be neither a directory nor a device.
bool IsHelpFile(const wchar_t* path)
{
    if (!*path)
        return false;
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// One viewer belongs to the plug-in at a time: the one of the latest request.
void KeepViewer(HANDLE process)
{
    if (HelpViewerProcess)
        TerminateProcess(HelpViewerProcess.get(), 0);
    HelpViewerProcess.reset(process);
}

// The page of a name-list entry: the entry in lower case, a variable
// function's "@" becoming "f_" as in the name of its export.
void FormPageName(const wchar_t* entry, size_t length, wchar_t* page)
{
    size_t out = 0;
    if (length > 0 && entry[0] == L'@') {
        page[out++] = L'f';
        page[out++] = L'_';
        ++entry;
        --length;
    }
    for (size_t i = 0; i < length && out < PageSize - 1; ++i)
        page[out++] = towlower(entry[i]);
    page[out] = L'\0';
}

bool SameName(const wchar_t* entry, const wchar_t* topic, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (towlower(entry[i]) != towlower(topic[i]))
            return false;
    }
    return true;
}

}  // namespace

int TryHelpFile(const wchar_t* candidate, const wchar_t* topic)
{
    if (!candidate || !topic)
        return 0;
    auto path = std::make_unique<wchar_t[]>(PathSize);
    size_t length = 0;
    if (candidate[0] == L'~' && candidate[1] == L'\\') {
        if (!ExpandPluginDirectory(candidate, path.get()))
            return 0;
    } else if (!Append(path.get(), PathSize, length, candidate)) {
        return 0;
    }

    // An unset or empty variable expands to nothing and leaves the backslash
    // that followed it in front: no directory was named, so no file either
    // (the root of the current drive is not what the user meant).
    bool namesVariable = path[0] == L'%' && path[1] == L'[';
    ExpandVariables(path.get(), 1);
    if (namesVariable && path[0] == L'\\')
        return 0;

    auto helpFile = std::make_unique<wchar_t[]>(PathSize);
    QueryTrueName(path.get(), helpFile.get());
    if (!IsHelpFile(helpFile.get()))
        return 0;

    auto viewer = std::make_unique<wchar_t[]>(PathSize);
    DWORD found = SearchPathW(nullptr, L"hh.exe", nullptr, PathSize, viewer.get(), nullptr);
    if (found == 0 || found >= PathSize)
        return 0;

    // The viewer opens a page inside a compiled help file as FILE::/PAGE.
    length = wcslen(helpFile.get());
    if (!Append(helpFile.get(), PathSize, length, L"::/") || !Append(helpFile.get(), PathSize, length, topic) ||
        !Append(helpFile.get(), PathSize, length, L".html"))
        return 0;

    auto commandLine = std::make_unique<wchar_t[]>(PathSize);
    length = 0;
    if (!Append(commandLine.get(), PathSize, length, L"\"") ||
        !Append(commandLine.get(), PathSize, length, viewer.get()) ||
        !Append(commandLine.get(), PathSize, length, L"\" \"") ||
        !Append(commandLine.get(), PathSize, length, helpFile.get()) ||
        !Append(commandLine.get(), PathSize, length, L"\""))
        return 0;

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(viewer.get(), commandLine.get(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return 0;
    vornel::unique_handle thread(started.hThread);
    KeepViewer(started.hProcess);
    return 1;
}

int ShowHelpFile(const wchar_t* topic)
{
    wchar_t candidate[CandidateSize];
    for (const wchar_t* format : CandidateFormats) {
        wsprintfW(candidate, format, PluginName, PluginName);
        if (TryHelpFile(candidate, topic))
            return 1;
    }

    wchar_t upperName[CandidateSize];
    lstrcpynW(upperName, PluginName, CandidateSize);
    UpperCaseInPlace(upperName);
    wchar_t windowsDirectory[MAX_PATH];
    UINT n = GetWindowsDirectoryW(windowsDirectory, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        windowsDirectory[0] = L'\0';
    wchar_t message[1024];
    wsprintfW(message, MissingHelpFormat, PluginName, upperName, windowsDirectory);
    MessageBoxW(GetForegroundWindow(), message, MissingHelpCaption, MB_OK);
    return 1;
}

VORNEL_EXPORT int WINAPI Help(const wchar_t* topic)
{
    // Without memory for the path buffers the help is left to the host.
    return Guarded(0, [topic] {
        if (!topic)
            return 0;
        size_t topicLength = wcslen(topic);
        for (const wchar_t* entry = PluginNames; *entry;) {
            size_t length = wcscspn(entry, L",");
            if (length == topicLength && SameName(entry, topic, length)) {
                wchar_t page[PageSize];
                FormPageName(entry, length, page);
                return ShowHelpFile(page);
            }
            entry += length;
            if (*entry == L',')
                ++entry;
        }
        return 0;
    });
}
