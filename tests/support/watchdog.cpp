#include "tests/support/watchdog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace vornel::test {
namespace {

class Watchdog : public testing::EmptyTestEventListener {
public:
    explicit Watchdog(DWORD limitMs) : limitMs_(limitMs)
    {
        if (HANDLE thread = CreateThread(nullptr, 0, Watch, this, 0, nullptr))
            CloseHandle(thread);
    }

    // The listener lives as long as the program: GoogleTest owns it, and the
    // thread ends with the process.
    void OnTestStart(const testing::TestInfo& info) override
    {
        name_ = std::string(info.test_suite_name()) + "." + info.name();
        SetEvent(started_);
    }
    void OnTestEnd(const testing::TestInfo&) override { SetEvent(ended_); }

private:
    static DWORD WINAPI Watch(void* context)
    {
        auto* self = static_cast<Watchdog*>(context);
        for (;;) {
            WaitForSingleObject(self->started_, INFINITE);
            if (WaitForSingleObject(self->ended_, self->limitMs_) == WAIT_TIMEOUT) {
                fprintf(stderr, "\nwatchdog: %s ran longer than %lu s; the test program ends here\n",
                        self->name_.c_str(), self->limitMs_ / 1000);
                fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 1);
            }
        }
    }

    const DWORD limitMs_;
    // Auto-reset: each start and each end is taken once, in turn.
    HANDLE started_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE ended_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::string name_;
};

}  // namespace

void InstallWatchdog(unsigned limitSeconds)
{
    testing::UnitTest::GetInstance()->listeners().Append(new Watchdog(limitSeconds * 1000));
}

}  // namespace vornel::test
