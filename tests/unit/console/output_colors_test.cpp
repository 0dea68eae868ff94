// The colour choice from the shell's normal attribute and the "Highlight"
// setting, the search for that setting, and the console check in front.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "console/console.h"

namespace {

// The result, then the normal, highlight and second highlight colours and
// their reversed forms.
using Colors = std::array<int, 7>;
enum { RESULT, NORMAL, HIGHLIGHT, ALT };

Colors Current(int result)
{
    return {result, NormalColor, HighlightColor, AltColor, ReverseNormalColor, ReverseHighlightColor, ReverseAltColor};
}

Colors Choose(unsigned normal, const wchar_t* setting)
{
    // Start from a full state so that a refused setting must clear it.
    ChooseOutputColors(0x1F, nullptr);
    return Current(ChooseOutputColors(normal, setting));
}

const Colors OFF = {0, 0, 0, 0, 0, 0, 0};

TEST(ChooseOutputColors, WholeStateForTheTables)
{
    const struct {
        unsigned normal;
        const wchar_t* setting;
        Colors expected;
    } cases[] = {
        // Dim colours: the same colour made bright; the second highlight avoids it.
        {0x07, nullptr, {0x0F, 0x07, 0x0F, 0x0E, 0x70, 0xF0, 0xE0}},
        {0x07, L"", {0x0F, 0x07, 0x0F, 0x0E, 0x70, 0xF0, 0xE0}},
        {0x4007, nullptr, {0x0F, 0x07, 0x0F, 0x0E, 0x70, 0xF0, 0xE0}},  // only the low eight bits count
        {0x17, nullptr, {0x1F, 0x17, 0x1F, 0x1B, 0x71, 0xF1, 0xB1}},
        // Table A gives the normal colour back, so table B; the second
        // highlight then falls through to table C.
        {0x1F, nullptr, {0x1B, 0x1F, 0x1B, 0x16, 0xF1, 0xB1, 0x61}},
        {0x70, nullptr, {0x79, 0x70, 0x79, 0x74, 0x07, 0x97, 0x47}},  // black text cannot brighten
        {0x8F, nullptr, {0x8B, 0x8F, 0x8B, 0x80, 0xF8, 0xB8, 0x08}},
        {0xA0, nullptr, {0xA9, 0xA0, 0xA9, 0xAF, 0x0A, 0x9A, 0xFA}},
        {0x0F, L"0x0e", {0x0E, 0x0F, 0x0E, 0x0B, 0xF0, 0xE0, 0xB0}},  // A normal, B highlight: C
        // The same foreground and background turn colours off.
        {0x00, nullptr, OFF},
        {0x77, nullptr, OFF},
        {0x44, L"0x1e", OFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Choose(c.normal, c.setting), c.expected) << std::hex << c.normal << " " << (c.setting ? c.setting : L"-");
    EXPECT_EQ(Choose(0x07, L"0x0f")[ALT], 0x0E);
    EXPECT_EQ(Choose(0x07, L"0x0b")[ALT], 0x0F);
}

TEST(ChooseOutputColors, Settings)
{
    const struct {
        unsigned normal;
        const wchar_t* setting;
        int highlight;  // 0: colour output off
    } cases[] = {
        {0x07, L"inv", 0x70},  {0x07, L"INVerse", 0x70}, {0x1E, L"inv", 0x61},
        {0x0F, L"inv", 0x70},  // the background loses the intensity bit
        {0x07, L"0x1e", 0x1E}, {0x07, L"0X1E", 0x1E},    {0x07, L"0x0e", 0x0E},
        {0x07, L"0x07", 0},    // the normal pair itself
        {0x07, L"0x11", 0},    // invisible text
        {0x07, L"0x1g", 0},    {0x07, L"0x1e ", 0},      {0x07, L"0x", 0},
        {0x07, L"bright yellow on blue", 0x1E},          {0x07, L"Bright White on Black", 0x0F},
        {0x17, L"red", 0x14},  // a foreground alone goes on the normal background
        {0x07, L"bright red", 0x0C},
        {0x07, L"white", 0},   // the normal foreground
        {0x07, L"black", 0},   // the normal background
        {0x07, L"white on black", 0}, {0x07, L"purple", 0}, {0x07, L"yellow on", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        Colors got = Choose(c.normal, c.setting);
        EXPECT_EQ(got[RESULT], c.highlight);
        if (c.highlight == 0) {
            EXPECT_EQ(got, OFF);
            continue;
        }
        EXPECT_EQ(got[NORMAL], (int)c.normal);
        EXPECT_EQ(got[HIGHLIGHT], c.highlight);
        EXPECT_NE(got[ALT], got[NORMAL]);
        EXPECT_NE(got[ALT], got[HIGHLIGHT]);
        EXPECT_EQ(got[ALT] >> 4, (int)(c.normal >> 4));
    }
}

// Writes test values of "Highlight" into the four registry places (from
// the last searched to the first) and removes the keys afterwards.
class HighlightRegistry : public testing::Test {
protected:
    enum Place { LM_BASE, CU_BASE, LM_OWN, CU_OWN };

    void SetUp() override
    {
        SetEnvironmentVariableW(L"Highlight", nullptr);
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(root, L"SOFTWARE\\BrelmPlugins", 0, KEY_READ, &key) == ERROR_SUCCESS) {
                RegCloseKey(key);
                GTEST_SKIP() << "the test prefix already holds SOFTWARE\\BrelmPlugins";
            }
        }
    }

    void TearDown() override
    {
        SetEnvironmentVariableW(L"Highlight", nullptr);
        if (IsSkipped())
            return;  // the keys were there before: not ours to remove
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            RegDeleteTreeW(root, L"SOFTWARE\\BrelmPlugins");
            RegDeleteKeyW(root, L"SOFTWARE\\BrelmPlugins");
        }
    }

    void Write(Place place, DWORD type, const void* data, DWORD bytes)
    {
        HKEY root = place == CU_BASE || place == CU_OWN ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        const wchar_t* path = place >= LM_OWN ? L"SOFTWARE\\BrelmPlugins\\Vornel" : L"SOFTWARE\\BrelmPlugins";
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, L"Highlight", 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    void WriteText(Place place, const std::wstring& text, DWORD type = REG_SZ)
    {
        Write(place, type, text.c_str(), (DWORD)((text.size() + 1) * sizeof(wchar_t)));
    }

    std::wstring Found()
    {
        auto text = std::make_unique<wchar_t[]>(HIGHLIGHT_SETTING_SIZE);
        int found = FindHighlightSetting(text.get());
        EXPECT_EQ(found, text[0] != L'\0');
        return found ? text.get() : L"(none)";
    }
};

TEST_F(HighlightRegistry, FirstUsableValueWinsFromEnvironmentToMachineKey)
{
    EXPECT_EQ(Found(), L"(none)");
    const wchar_t* texts[] = {L"lm base", L"cu base", L"lm own", L"cu own"};
    for (Place place : {LM_BASE, CU_BASE, LM_OWN, CU_OWN}) {
        WriteText(place, texts[place]);
        EXPECT_EQ(Found(), texts[place]);
    }
    SetEnvironmentVariableW(L"Highlight", L"from environment");
    EXPECT_EQ(Found(), L"from environment");
    // A setting too long for the text counts as absent.
    SetEnvironmentVariableW(L"Highlight", std::wstring(1025, L'e').c_str());
    EXPECT_EQ(Found(), L"cu own");
    SetEnvironmentVariableW(L"Highlight", std::wstring(1024, L'e').c_str());
    EXPECT_EQ(Found(), std::wstring(1024, L'e'));
    SetEnvironmentVariableW(L"Highlight", nullptr);

    // Unusable values count as absent.
    const DWORD number = 0x1E;
    Write(CU_OWN, REG_DWORD, &number, sizeof number);
    WriteText(LM_OWN, L"");
    WriteText(CU_BASE, L"0x1e", REG_EXPAND_SZ);
    EXPECT_EQ(Found(), L"lm base");
    // 2048 bytes are the limit, terminator included.
    WriteText(CU_BASE, std::wstring(1024, L'x'));
    EXPECT_EQ(Found(), L"lm base");
    WriteText(CU_BASE, std::wstring(1023, L'x'));
    EXPECT_EQ(Found(), std::wstring(1023, L'x'));
    // A value stored without its terminator still reads as a text.
    Write(CU_BASE, REG_SZ, L"0x1eXX", 4 * sizeof(wchar_t));
    EXPECT_EQ(Found(), L"0x1e");
}

TEST(InitOutputOptions, NoColoursWithoutConsoleOrWhenRefused)
{
    SetEnvironmentVariableW(L"Highlight", L"0x1e");
    ChooseOutputColors(0x07, nullptr);
    EXPECT_EQ(InitOutputOptions(1), 0);
    EXPECT_EQ(Current(0), OFF);
    DWORD mode;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
        // Redirected output: plain text whatever the setting says.
        ChooseOutputColors(0x07, nullptr);
        EXPECT_EQ(InitOutputOptions(0), 0);
        EXPECT_EQ(Current(0), OFF);
    }
    SetEnvironmentVariableW(L"Highlight", nullptr);
}

}  // namespace
