// The colours of a command's output: the shell's normal attribute, a
// highlight the user may set ("Highlight" in the environment or registry)
// and a second highlight that differs from both.
#include <cerrno>
#include <cwchar>
#include <memory>

#include "console/console.h"
#include "frame/host.h"
#include "frame/owners.h"
#include "frame/plugin.h"

namespace {

BYTE Swapped(BYTE attribute) { return (BYTE)((attribute << 4) | (attribute >> 4)); }

// A REG_SZ value "Highlight" of at most 2048 bytes, non-empty.
bool ReadRegistrySetting(HKEY root, const wchar_t* keyName, wchar_t* text)
{
    vornel::unique_hkey key;
    if (RegOpenKeyExW(root, keyName, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 2048;
    if (RegQueryValueExW(key.get(), L"Highlight", nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    text[size / sizeof(wchar_t)] = L'\0';  // the stored value need not end in a zero
    return text[0] != L'\0';
}

void StoreColors(BYTE normal, BYTE highlight)
{
    int bg = (normal >> 4) & 0x0F;
    NormalColor = normal;
    HighlightColor = highlight;
    ReverseNormalColor = Swapped(normal);
    ReverseHighlightColor = Swapped(highlight);
    BYTE alt = HighlightTableA[bg];
    if (alt == normal || alt == highlight)
        alt = HighlightTableB[bg];
    if (alt == normal || alt == highlight)
        alt = HighlightTableC[bg];
    AltColor = alt;
    ReverseAltColor = Swapped(alt);
}

}  // namespace

int FindHighlightSetting(wchar_t* text)
{
    text[0] = L'\0';
    DWORD length = GetEnvironmentVariableW(L"Highlight", text, HIGHLIGHT_SETTING_SIZE);
    if (length > 0 && length < HIGHLIGHT_SETTING_SIZE)
        return 1;

    wchar_t ownKey[256];
    _snwprintf(ownKey, 256, L"%s\\%s", L"SOFTWARE\\BrelmPlugins", PluginName);
    ownKey[255] = L'\0';
    const struct {
        HKEY root;
        const wchar_t* key;
    } places[] = {
        {HKEY_CURRENT_USER, ownKey},
        {HKEY_LOCAL_MACHINE, ownKey},
        {HKEY_CURRENT_USER, L"SOFTWARE\\BrelmPlugins"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\BrelmPlugins"},
    };
    for (const auto& place : places) {
        if (ReadRegistrySetting(place.root, place.key, text))
            return 1;
    }
    text[0] = L'\0';
    return 0;
}

int ChooseOutputColors(unsigned int normal, const wchar_t* setting)
{
    NormalColor = HighlightColor = AltColor = 0;
    ReverseNormalColor = ReverseHighlightColor = ReverseAltColor = 0;
    int fg = normal & 0x0F, bg = (normal >> 4) & 0x0F;
    if (fg == bg)
        return 0;

    int highlight;
    if (!setting || !*setting) {
        if (!(fg & 8) && !(bg & 8) && fg != 0) {
            highlight = (normal | 8) & 0xFF;
        } else {
            highlight = HighlightTableA[bg];
            if (highlight == (int)(normal & 0xFF))
                highlight = HighlightTableB[bg];
        }
    } else {
        int f = -1, b = -1;
        if (_wcsnicmp(setting, L"inv", 3) == 0) {
            f = bg;
            b = fg & 7;
        } else if (_wcsnicmp(setting, L"0x", 2) == 0) {
            errno = 0;
            wchar_t* end = nullptr;
            unsigned long value = wcstoul(setting, &end, 16);
            if (errno == 0 && end && *end == L'\0' && end != setting) {
                f = (int)(value & 0x0F);
                b = (int)(value >> 4);
            }
        } else {
            ParseColors(setting, &f, &b);
        }
        // A background of 64 means the text named only a foreground.
        if (b == 64) {
            if (f < 0)
                return 0;
            if (f <= 15)
                b = -1;
        }
        if (f < 0)
            return 0;
        if (b >= 0 && f != b && !(f == fg && b == bg)) {
            highlight = ((b << 4) | f) & 0xFF;
        } else {
            // A foreground alone goes on the normal background, unless it
            // would vanish into it or look like the normal text.
            if (b != -1 || f == fg || f == bg)
                return 0;
            highlight = (bg << 4) | f;
        }
    }
    StoreColors((BYTE)normal, (BYTE)highlight);
    return highlight;
}

int InitOutputOptions(int noHighlight)
{
    NormalColor = HighlightColor = AltColor = 0;
    ReverseNormalColor = ReverseHighlightColor = ReverseAltColor = 0;
    if (noHighlight)
        return 0;
    // Redirected output gets plain text: colours only on a console.
    DWORD mode = 0xFFFFFFFF;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) || mode == 0xFFFFFFFF)
        return 0;
    unsigned int normal = 0, inverse = 0;
    GetAttribute(&normal, &inverse);
    auto setting = std::make_unique<wchar_t[]>(HIGHLIGHT_SETTING_SIZE);
    const bool found = FindHighlightSetting(setting.get());
    return ChooseOutputColors(normal, found ? setting.get() : nullptr);
}
