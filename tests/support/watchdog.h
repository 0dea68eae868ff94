// A watchdog for the test programs: a test that runs longer than the limit
// ends the whole program with the test's name on standard error. Without it
// a test that hangs holds the program until ctest's own limit, and the log
// shows nothing but "[ RUN ]".
#pragma once

namespace vornel::test {

// Registers the watchdog with GoogleTest; call after InitGoogleTest.
void InstallWatchdog(unsigned limitSeconds = 60);

}  // namespace vornel::test
