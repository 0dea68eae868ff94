// The unit-test program: the plug-in's code linked in, started as the host
// would start it (quietly, as a transient shell), with the host's output
// captured where a test asks for it.
#include <gtest/gtest.h>

#include "frame/plugin.h"
#include "host/orshhost/orshhost_control.h"
#include "tests/support/watchdog.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    vornel::test::InstallWatchdog();
    OrshSetShellState(1, 0);
    InitializePlugin();
    int result = RUN_ALL_TESTS();
    ShutdownPlugin();
    return result;
}
