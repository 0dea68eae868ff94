// The library entry point: only remembers the module handle, which the help
// search needs to find files beside the DLL.
#include "frame/plugin.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        PluginModule = instance;
    return TRUE;
}
