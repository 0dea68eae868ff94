// A listing's processes are opened once and their creation times read
// once: inside a scope the answers stay those of the first question, even
// after the processes have ended; outside, every question opens anew.
#include <gtest/gtest.h>

#include "procinfo/procinfo.h"
#include "tests/support/process_gone.h"
#include "tests/support/process_runner.h"

using vornel::test::Helper;
using vornel::test::WaitUntilProcessGone;

namespace {

TEST(ProcessScope, OneHandleAndOneCreationTimePerProcess)
{
    Helper helper(L"--children 1");
    ASSERT_TRUE(helper.ready());
    const DWORD parent = helper.pid(), child = helper.children()[0];
    {
        ProcessScope scope(false);
        ProcessHandle first(parent, false), second(parent, false);
        ASSERT_NE(first.get(), nullptr);
        EXPECT_EQ(first.get(), second.get());
        // The memory right is not in the scope's handles: an own one has it.
        ProcessHandle reading(parent, true);
        EXPECT_NE(reading.get(), first.get());
        EXPECT_TRUE(reading.memoryReadable());
        EXPECT_FALSE(first.memoryReadable());

        EXPECT_EQ(IsProcessNewer(child, parent), 1);
        helper.Kill();
        EXPECT_EQ(IsProcessNewer(child, parent), 1);  // asked once, kept
        EXPECT_EQ(ProcessHandle(parent, false).get(), first.get());
    }
    ASSERT_TRUE(WaitUntilProcessGone(parent) && WaitUntilProcessGone(child));
    EXPECT_EQ(IsProcessNewer(child, parent), 0);
    EXPECT_EQ(ProcessHandle(parent, false).get(), nullptr);
}

}  // namespace
