// End-to-end tests: orsh.exe started as a child process with real command
// lines; exact standard output, standard error and exit codes.
#include <gtest/gtest.h>

#include "tests/support/process_runner.h"
#include "tests/support/watchdog.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    vornel::test::InstallWatchdog();
    // The first process of a prefix to make a window gets Wine's desktop
    // process (explorer.exe) as a child; let a throw-away process be that
    // one, so no test sees an extra child in the family it started.
    delete new vornel::test::Helper(L"--window \"warm-up||0|0\"");
    return RUN_ALL_TESTS();
}
