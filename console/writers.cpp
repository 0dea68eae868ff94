// The formatted writers. Without colours all text goes through the host to
// standard output, so redirection works; with colours each run of one
// colour is written straight to the console with its attribute set.
#include <cstdarg>
#include <cwchar>
#include <utility>

#include "console/console.h"
#include "frame/format_text.h"
#include "frame/host.h"
#include "frame/owners.h"
#include "frame/plugin.h"

namespace {

HANDLE StandardOutput() { return GetStdHandle(STD_OUTPUT_HANDLE); }

void RestoreNormalColor()
{
    SetConsoleTextAttribute(StandardOutput(), NormalColor);
    SetColors(NormalColor);
}

bool IsColorCode(wchar_t c) { return c >= CC_NORMAL && c <= CC_REVERSE_ALT; }

BYTE ColorOfCode(wchar_t code)
{
    switch (code) {
    case CC_HIGHLIGHT:
        return HighlightColor;
    case CC_REVERSE:
        return ReverseNormalColor;
    case CC_REVERSE_HIGHLIGHT:
        return ReverseHighlightColor;
    case CC_ALT:
        return AltColor;
    case CC_REVERSE_ALT:
        return ReverseAltColor;
    default:
        return NormalColor;
    }
}

// The formatted text and a line buffer of the same size, both from the
// heap and sized from the text's exact length.
struct Formatted {
    vornel::unique_block<wchar_t> text;
    vornel::unique_block<wchar_t> line;
};

// 0 with both buffers filled in, -2 when memory runs out, -1 for a format
// the formatter rejects.
int FormatText(const wchar_t* format, va_list args, Formatted& out)
{
    vornel::formatted_text formatted = vornel::format_text(format, args, 15);
    if (formatted.length < 0)
        return -1;
    out.text = std::move(formatted.text);
    out.line = vornel::unique_block<wchar_t>::allocate(((size_t)formatted.length + 16) * sizeof(wchar_t));
    if (!out.text || !out.line)
        return -2;
    out.line.get()[0] = L'\0';
    return 0;
}

}  // namespace

void WriteConsoleText(const wchar_t* text)
{
    if (!text || !ConsoleOutput)
        return;
    DWORD written = 0;
    WriteConsoleW(ConsoleOutput.get(), text, (DWORD)wcslen(text), &written, nullptr);
}

int WriteHighlighted(const wchar_t* text, BYTE attribute)
{
    if (!text)
        return 0;
    if (!NormalColor) {
        QPuts(text);
        return 0;
    }
    SetConsoleTextAttribute(StandardOutput(), attribute);
    WriteConsoleText(text);
    // The console may count a surrogate pair as two cells and leave the
    // cursor one short; a blank and a backspace set it right again.
    for (const wchar_t* p = text; *p; ++p) {
        if (*p >= 0xD800 && *p <= 0xDFFF) {
            WriteConsoleText(L" \b");
            break;
        }
    }
    RestoreNormalColor();
    return 0;
}

int WriteColored(BYTE attribute, const wchar_t* text)
{
    if (!text)
        return -1;
    SetConsoleTextAttribute(StandardOutput(), attribute);
    WriteConsoleText(text);
    return 0;
}

int PagedPrintf(const wchar_t* format, va_list args)
{
    if (!format)
        return -1;
    if (!*format)
        return 0;
    Formatted buffers;
    if (int result = FormatText(format, args, buffers))
        return result;
    wchar_t* line = buffers.line.get();
    size_t used = 0;
    for (const wchar_t* p = buffers.text.get(); *p; ++p) {
        if (*p == L'\n') {
            if (used) {
                line[used] = L'\0';
                QPuts(line);
            }
            used = 0;
            if (EndLine() == STOPPED)
                return STOPPED;
        } else if (*p != L'\r' && !IsColorCode(*p)) {
            line[used++] = *p;
        }
    }
    if (used) {
        line[used] = L'\0';
        QPuts(line);
    }
    return 0;
}

int ColorPrintf(const wchar_t* format, ...)
{
    if (!format)
        return -1;
    if (!*format)
        return 0;
    if (CtrlCSeen)
        return ShowCtrlC();
    va_list args;
    va_start(args, format);
    if (!NormalColor) {
        int result = PagedPrintf(format, args);
        va_end(args);
        return result;
    }
    Formatted buffers;
    int result = FormatText(format, args, buffers);
    va_end(args);
    if (result)
        return result;

    wchar_t* line = buffers.line.get();
    size_t used = 0;
    BYTE current = NormalColor;
    auto flush = [&] {
        line[used] = L'\0';
        WriteColored(current, line);
        used = 0;
    };
    for (const wchar_t* p = buffers.text.get(); *p; ++p) {
        if (*p == L'\n') {
            if (used)
                flush();
            if (EndLine() == STOPPED) {
                result = STOPPED;
                break;
            }
            current = NormalColor;
        } else if (IsColorCode(*p)) {
            BYTE color = ColorOfCode(*p);
            if (used && color != current)
                flush();
            current = color;
        } else if (*p != L'\r') {
            line[used++] = *p;
        }
    }
    if (result == 0 && used)
        flush();
    if (current != NormalColor)
        RestoreNormalColor();
    return result;
}
