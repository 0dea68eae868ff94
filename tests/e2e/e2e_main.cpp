// End-to-end tests: orsh.exe started as a child process with real command
// lines; exact standard output, standard error and exit codes.
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
