// A process the tests control: it starts children (and grandchildren), extra
// threads and top-level windows as told on its command line, reports each
// on standard output, prints "ready", and lives until its standard input
// closes or it is killed. Its options are in Usage below.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const char Usage[] =
    "usage: vornel_testhelper [OPTION]...\n"
    "A process the tests control: it starts what its options say, reports each on standard\n"
    "output, prints \"ready\", and lives until its standard input closes or it is killed.\n"
    "\n"
    "  --children N        start N children (themselves this program)\n"
    "  --grandchildren M   each child starts M children of its own\n"
    "  --child-exe PATH    start the children from PATH (such as the 32-bit build)\n"
    "  --threads N         N extra threads that only wait\n"
    "  --window TITLE|CLASS|VISIBLE|EXSTYLE   a top-level window; CLASS \"#32770\"\n"
    "                      is the system dialog class, others are registered here;\n"
    "                      EXSTYLE is a number (0x40000 = WS_EX_APPWINDOW)\n"
    "  --tag TEXT          ignored: makes a command line recognisable\n"
    "  --signal NAME       (used for children) set this event when set up\n"
    "  --exit-code N       exit with N when standard input closes\n"
    "  --zero-tildes       each \"~\" of the command line becomes a zero\n"
    "  --priority CLASS    set its own priority class (a number: 0x40 idle, 0x8000 above normal, ...)\n"
    "  --hold-memory MB    keep MB mebibytes written to, so they stay in the working set\n"
    "  --spin-ms N         before \"ready\", keep the CPU busy until this process\n"
    "                      has used N milliseconds of CPU time\n"
    "  --help              print these options and end\n"
    "\n"
    "Report lines: \"child PID\", \"thread TID\", \"window HWND\", \"pid PID\", \"ready\".\n";

int exitCode = 0;

void Report(const char* kind, unsigned long long value)
{
    printf("%s %llu\n", kind, value);
    fflush(stdout);
}

DWORD WINAPI IdleThread(void*)
{
    Sleep(INFINITE);
    return 0;
}

void HoldMemory(SIZE_T mebibytes)
{
    SIZE_T bytes = mebibytes << 20;
    if (void* block = VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
        memset(block, 0x5A, bytes);  // kept until the process ends
}

void SpinCpu(ULONGLONG milliseconds)
{
    volatile ULONGLONG sink = 0;
    for (;;) {
        FILETIME created, exited, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        ULONGLONG used = (ULARGE_INTEGER{{kernel.dwLowDateTime, kernel.dwHighDateTime}}.QuadPart +
                          ULARGE_INTEGER{{user.dwLowDateTime, user.dwHighDateTime}}.QuadPart) / 10000;
        if (used >= milliseconds)
            return;
        for (int i = 0; i < 1000000; ++i)
            sink = sink + i;
    }
}

DWORD WINAPI StdinWatcher(void*)
{
    char buffer[64];
    DWORD got;
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    while (ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got) {
    }
    ExitProcess(exitCode);
}

HWND MakeWindow(const std::wstring& description)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t bar = description.find(L'|', start);
        parts.push_back(description.substr(start, bar - start));
        if (bar == std::wstring::npos)
            break;
        start = bar + 1;
    }
    parts.resize(4);
    const std::wstring& title = parts[0];
    std::wstring cls = parts[1].empty() ? L"VornelTestWindow" : parts[1];
    bool visible = parts[2] == L"1";
    DWORD exStyle = wcstoul(parts[3].c_str(), nullptr, 0);
    if (cls != L"#32770") {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = cls.c_str();
        RegisterClassW(&wc);  // a second window of the class finds it registered
    }
    HWND window = CreateWindowExW(exStyle, cls.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window && visible)
        ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int children = 0, grandchildren = 0, threads = 0;
    std::vector<std::wstring> windows;
    const wchar_t* signal = nullptr;
    const wchar_t* childExe = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"--help") == 0) {
            fputs(Usage, stdout);
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        const wchar_t* value = i + 1 < argc ? argv[i + 1] : L"";
        if (a == L"--children")
            children = _wtoi(value), ++i;
        else if (a == L"--grandchildren")
            grandchildren = _wtoi(value), ++i;
        else if (a == L"--threads")
            threads = _wtoi(value), ++i;
        else if (a == L"--window")
            windows.push_back(value), ++i;
        else if (a == L"--child-exe")
            childExe = value, ++i;
        else if (a == L"--tag")
            ++i;
        else if (a == L"--signal")
            signal = value, ++i;
        else if (a == L"--exit-code")
            exitCode = _wtoi(value), ++i;
        else if (a == L"--priority")
            SetPriorityClass(GetCurrentProcess(), wcstoul(value, nullptr, 0)), ++i;
        else if (a == L"--hold-memory")
            HoldMemory(_wtoi(value)), ++i;
        else if (a == L"--spin-ms")
            SpinCpu(_wtoi(value)), ++i;
        else if (a == L"--zero-tildes")  // in the text other processes read
            for (wchar_t* c = GetCommandLineW(); (c = wcschr(c, L'~'));)
                *c++ = L'\0';
    }

    for (int i = 0; i < threads; ++i) {
        DWORD tid;
        if (HANDLE h = CreateThread(nullptr, 0, IdleThread, nullptr, 0, &tid)) {
            CloseHandle(h);
            Report("thread", tid);
        }
    }
    for (const auto& description : windows)
        Report("window", (unsigned long long)(ULONG_PTR)MakeWindow(description));

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (childExe)
        lstrcpynW(self, childExe, MAX_PATH);
    for (int i = 0; i < children; ++i) {
        wchar_t eventName[64];
        swprintf(eventName, 64, L"VornelHelper-%lu-%d", GetCurrentProcessId(), i);
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, eventName);
        std::wstring cmd = L"\"" + std::wstring(self) + L"\" --tag child" + std::to_wstring(i + 1) +
                           L" --signal " + eventName;
        if (grandchildren)
            cmd += L" --children " + std::to_wstring(grandchildren);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(self, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
            WaitForSingleObject(ready, 30000);
            Report("child", pi.dwProcessId);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        CloseHandle(ready);
    }

    Report("pid", GetCurrentProcessId());
    if (signal) {
        if (HANDLE ev = OpenEventW(EVENT_MODIFY_STATE, FALSE, signal)) {
            SetEvent(ev);
            CloseHandle(ev);
        }
    } else {
        printf("ready\n");
        fflush(stdout);
    }

    if (HANDLE h = CreateThread(nullptr, 0, StdinWatcher, nullptr, 0, nullptr))
        CloseHandle(h);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return exitCode;
}
