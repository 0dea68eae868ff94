// The window-title list: for each process the top-level window that looks
// most like its main window, built by an EnumWindows callback.
#include <cstddef>
#include <cwchar>

#include "frame/owners.h"
#include "procinfo/procinfo.h"
#include "procinfo/record_lookup.h"

namespace {

constexpr int WINDOW_TEXT_SIZE = 1024;
constexpr DWORD RANK_APPWINDOW = 16;
constexpr DWORD RANK_NOT_DIALOG = 4;
constexpr DWORD RANK_VISIBLE = 1;

// Windows every GUI thread owns; they are never a process's main window.
bool IsInputMethodClass(const wchar_t* className)
{
    return wcscmp(className, L"MSCTFIME UI") == 0 || wcscmp(className, L"IME") == 0;
}

}  // namespace

BOOL CALLBACK CollectWindowTitle(HWND window, LPARAM listHeadAddress)
{
    auto head = reinterpret_cast<WindowTitleInfo**>(listHeadAddress);
    if (!head)
        return TRUE;

    wchar_t title[WINDOW_TEXT_SIZE];
    wchar_t className[WINDOW_TEXT_SIZE];
    title[0] = L'\0';
    GetWindowTextW(window, title, WINDOW_TEXT_SIZE);
    title[WINDOW_TEXT_SIZE - 1] = L'\0';
    size_t titleLength = wcslen(title);
    if (titleLength < 2)
        return TRUE;
    if (!RealGetWindowClassW(window, className, WINDOW_TEXT_SIZE))
        className[0] = L'\0';
    className[WINDOW_TEXT_SIZE - 1] = L'\0';
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == 0 || IsInputMethodClass(className))
        return TRUE;

    LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    DWORD rank = ((exStyle & WS_EX_APPWINDOW) ? RANK_APPWINDOW : 0) +
                 (wcscmp(className, L"#32770") != 0 ? RANK_NOT_DIALOG : 0) +
                 (IsWindowVisible(window) ? RANK_VISIBLE : 0);

    WindowTitleInfo* old = FindProcessRecord(*head, processId);
    if (old && rank <= old->rank)
        return TRUE;  // the window met first wins a tie

    size_t bytes = offsetof(WindowTitleInfo, title) + (titleLength + 1) * sizeof(wchar_t);
    auto record = static_cast<WindowTitleInfo*>(vornel::AllocateBlock(bytes, false));
    if (!record)
        return TRUE;  // skipping the window keeps the list whole
    record->window = window;
    record->processId = processId;
    record->rank = rank;
    wmemcpy(record->title, title, titleLength + 1);
    // The better window takes the old record's place in the list.
    if (old)
        ReplaceRecord(head, old, record);
    else
        AppendRecord(head, record);
    return TRUE;
}

const WindowTitleInfo* FindWindowTitle(const WindowTitleInfo* list, DWORD processId)
{
    return FindProcessRecord(list, processId);
}
