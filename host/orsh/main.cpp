// orsh.exe: a stand-in for the Orsh shell that hosts the Vornel plug-in. The
// shell itself is the orsh_core library, which its unit tests link too.
#include "host/orsh/session.h"

int wmain(int argc, wchar_t** argv) { return orsh::Main(argc, argv); }
