// The commands' usage texts, exactly as "/?" prints them.
#include "frame/usage_texts.h"

const wchar_t TasklistUsageText[] =
    L"List running processes.\n\nTASKLIST /C /D /E /F /FO: /H /I /L /M /N /N: /NH /O: /P /R /T /U /U: /X /Z name\r\n\n\t/C\tshow priority classes\n\t/D\tdump module names\n\t/E\tshow extra info:  ↑ elevated, » 32-bit\n\t/F\tshow filenames\n\t/FO:\tCSV or JSON for programs; /FO? for more info\n\t/H\tlist threads\n\t/I\tshow code integrity levels\n\t/L\tshow startup command lines\n\t/M\tshow memory usage; /MM short format\n\t/N\tshow window class names\n\t/N:\tdisable features; /N? for more info\n\t/NH\tno CSV header line\n\t/O:\tsort processes;   /O? for more info\n\t/P\tpage output\n\t/R\tshow a process tree\n\t/T\tshow kernel and user-mode times\n\t/U\tdisplay owner names\n\t/U:\tonly list if owner name matches\n\t/X\tshow process IDs in hexadecimal\n\t/Z\tshow parent process IDs\n\nname may be a process name, window title, or =PID.\n";

const wchar_t ServicesUsageText[] =
    L"List, start, or stop services.\n\nSERVICES /D /F /FO: /I /I: /L /NH /O: /P /R /S /Tn /V /X name....\r\n\n\t/D\tno highlight\n\t/F\tshow filenames\n\t/FO:\tCSV or JSON for programs; /FO? for more info\n\t/I\tshow process IDs\n\t/I:\tonly processes with the given PID\n\t/L\tline numbers\n\t/NH\tno CSV header line\n\t/O:\tsort services; /O? for more info\n\t/P\tpage output\n\t/R\tstart services\n\t/S\tstop services\n\t/Tn\tservices of type\n\t/V\tshow service type values\n\t/X\tshow process IDs in hex\n\nYou may specify more than one name; names may contain wildcards.\nIf you use /R or /S, you must give at least one name.\n";

const wchar_t EnumprocessesUsageText[] =
    L"List processes started by the specified PID.\n\nENUMPROCESSES /D /FO: /NH /O: /P /T /W /X pid...\r\n\n\t/D\tno highlight\n\t/FO:\tCSV or JSON for programs; /FO? for more info\n\t/NH\tno CSV header line\n\t/O:\tsort processes; /O? for more info\n\t/P\tpage output\n\t/T\tshow tree graphics\n\t/W\tshow window titles and service names\n\t/X\tdisplay process IDs in hex\n\nPid may be in decimal or hexadecimal.  If no pid is  \ngiven, the current instance of Orsh is assumed.\n";

// "/FO?": the forms for programs, their columns and how to read them.
const wchar_t TasklistFormText[] =
    L"TASKLIST /FO:  \u2014 listings for programs (an addition of this version)\n\n"
    L"\tCSV\tRFC 4180: a header line (none with /NH), one line per process\n"
    L"\tJSON\tan array of objects; /R nests \"children\", /H \"threads\", /D \"modules\"\n\n"
    L"Columns (CSV header = JSON key), those the switches select, in this order:\n"
    L"  PID = pid, Name = name, Parent PID = parentPid (/Z), Owner = owner (/U),\n"
    L"  Boost Disabled = boostDisabled (/B), Priority Class = priorityClass (/C, /CC),\n"
    L"  Integrity = integrity (/I), Kernel Time (ms) = kernelTimeMs and User Time (ms) =\n"
    L"  userTimeMs (/T), Working Set (bytes) = workingSetBytes (/M, /MM),\n"
    L"  Window Class = windowClass (/N), Elevated = elevated and 32-bit = is32Bit (/E),\n"
    L"  Command Line = commandLine (/L), or Image Path = imagePath (/F), or else\n"
    L"  Services = services and Window Title = windowTitle (unless /N:S, /N:W).\n"
    L"  CSV: Modules (/D; items joined by \"; \"), Thread ID and Base Priority (/H: a line per thread).\n"
    L"  JSON: threads hold threadId, basePriority; modules path (and baseAddress with /DA).\n\n"
    L"Examples:\n  for /f \"tokens=1,3 delims=,\" %a in ('tasklist /fo:csv /nh /m') do echo %a %b\n"
    L"  tasklist /fo:csv /m | ConvertFrom-Csv\n  tasklist /r /fo:json > tree.json  (json.load in Python)\n";

const wchar_t ServicesFormText[] =
    L"SERVICES /FO:  \u2014 listings for programs (an addition of this version)\n\n"
    L"\tCSV\tRFC 4180: a header line (none with /NH), one line per service\n"
    L"\tJSON\tan array of objects\n\n"
    L"Columns (CSV header = JSON key), those the switches select, in this order:\n"
    L"  Line = line (/L), PID = pid (/I, /X), Name = name, Display Name = displayName,\n"
    L"  or Image Path = imagePath (/F), Type = type (/V), State = state,\n"
    L"  Result = result (/R, /S: started, stopped, cannot open, refused).\n\n"
    L"Examples:\n  for /f \"tokens=1,3 delims=,\" %a in ('services /fo:csv /nh /i') do echo %a %b\n"
    L"  services /fo:csv | ConvertFrom-Csv\n  services /fo:json > services.json  (json.load in Python)\n";

const wchar_t EnumprocessesFormText[] =
    L"ENUMPROCESSES /FO:  \u2014 listings for programs (an addition of this version)\n\n"
    L"\tCSV\tRFC 4180: a header line (none with /NH), one line per process, in tree order\n"
    L"\tJSON\tan array of the requested processes; each holds its \"children\"\n\n"
    L"Columns (CSV header = JSON key), those the switches select, in this order:\n"
    L"  PID = pid, Name = name, Level (CSV: 0 for a requested process, 1 for its\n"
    L"  children, ...), Services = services and Window Title = windowTitle (/W).\n\n"
    L"Examples:\n  for /f \"tokens=1,2 delims=,\" %a in ('enumprocesses /fo:csv /nh') do echo %a %b\n"
    L"  enumprocesses /fo:csv | ConvertFrom-Csv\n  enumprocesses /fo:json explorer > tree.json  (json.load in Python)\n";
