// The commands' usage texts, exactly as "/?" prints them.
#include "frame/usage_texts.h"

const wchar_t TasklistUsageText[] =
    L"List running processes.\n\nTASKLIST /C /D /E /F /H /I /L /M /N /N: /O: /P /R /T /U /U: /X /Z name\r\n\n\t/C\tshow priority classes\n\t/D\tdump module names\n\t/E\tshow extra info:  ↑ elevated, » 32-bit\n\t/F\tshow filenames\n\t/H\tlist threads\n\t/I\tshow code integrity levels\n\t/L\tshow startup command lines\n\t/M\tshow memory usage; /MM short format\n\t/N\tshow window class names\n\t/N:\tdisable features; /N? for more info\n\t/O:\tsort processes;   /O? for more info\n\t/P\tpage output\n\t/R\tshow a process tree\n\t/T\tshow kernel and user-mode times\n\t/U\tdisplay owner names\n\t/U:\tonly list if owner name matches\n\t/X\tshow process IDs in hexadecimal\n\t/Z\tshow parent process IDs\n\nname may be a process name, window title, or =PID.\n";

const wchar_t ServicesUsageText[] =
    L"List, start, or stop services.\n\nSERVICES /D /F /I /I: /L /O: /P /R /S /Tn /V /X name....\r\n\n\t/D\tno highlight\n\t/F\tshow filenames\n\t/I\tshow process IDs\n\t/I:\tonly processes with the given PID\n\t/L\tline numbers\n\t/O:\tsort services; /O? for more info\n\t/P\tpage output\n\t/R\tstart services\n\t/S\tstop services\n\t/Tn\tservices of type\n\t/V\tshow service type values\n\t/X\tshow process IDs in hex\n\nYou may specify more than one name; names may contain wildcards.\nIf you use /R or /S, you must give at least one name.\n";

const wchar_t EnumprocessesUsageText[] =
    L"List processes started by the specified PID.\n\nENUMPROCESSES /D /O: /P /T /W /X pid...\r\n\n\t/D\tno highlight\n\t/O:\tsort processes; /O? for more info\n\t/P\tpage output\n\t/T\tshow tree graphics\n\t/W\tshow window titles and service names\n\t/X\tdisplay process IDs in hex\n\nPid may be in decimal or hexadecimal.  If no pid is  \ngiven, the current instance of Orsh is assumed.\n";
