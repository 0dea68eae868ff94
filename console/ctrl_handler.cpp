// Ctrl-C and Ctrl-Break while a command lists: the handler only records the
// event; the host's thread notices it at the next line end and stops.
#include "console/console.h"
#include "frame/plugin.h"

volatile LONG CtrlCSeen = 0;
LONG CtrlHandlerInstalled = 0;

BOOL WINAPI CtrlHandler(DWORD event)
{
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        CtrlCSeen = 1;
        return TRUE;  // neither the shell nor the default handler acts on it
    }
    return FALSE;
}

int InstallCtrlHandler()
{
    CtrlCSeen = 0;
    if (!CtrlHandlerInstalled) {
        SetConsoleCtrlHandler(CtrlHandler, TRUE);
        CtrlHandlerInstalled = 1;
        ConsoleShutdown = RemoveCtrlHandler;  // no handler outlives the plug-in
    }
    return 0;
}

int RemoveCtrlHandler()
{
    CtrlCSeen = 0;
    if (!CtrlHandlerInstalled)
        return 0;
    SetConsoleCtrlHandler(CtrlHandler, FALSE);
    CtrlHandlerInstalled = 0;
    return 1;
}
