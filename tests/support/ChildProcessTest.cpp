#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

bool ProcessExists(pid_t pid)
{
    return kill(pid, 0) == 0 || errno != ESRCH;
}

TEST(ChildProcess, ReportsExitCodeAndStandardError)
{
    ChildProcess child;
    ASSERT_TRUE(child.Start({ "sh", "-c", "echo 'no such sink' >&2; exit 3" })) << child.Error();
    ASSERT_TRUE(child.Wait(10s));
    EXPECT_FALSE(child.Running());
    EXPECT_TRUE(child.ExitedWith(3));
    EXPECT_FALSE(child.ExitedWith(0));
    EXPECT_EQ(child.Outcome(), "exit code 3");
    EXPECT_EQ(child.ErrorOutput(), "no such sink\n");
}

TEST(ChildProcess, WritesStandardOutputToTheGivenDescriptor)
{
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    ChildProcess child;
    ASSERT_TRUE(child.Start({ "printf", "abc" }, ends[1])) << child.Error();
    close(ends[1]);
    char buffer[16] = {};
    std::size_t got = 0;
    for (ssize_t n; (n = read(ends[0], buffer + got, sizeof buffer - 1 - got)) > 0;)
        got += static_cast<std::size_t>(n);
    close(ends[0]);
    EXPECT_STREQ(buffer, "abc");
    ASSERT_TRUE(child.Wait(10s));
    EXPECT_TRUE(child.ExitedWith(0));
}

TEST(ChildProcess, MissingProgramFailsToStart)
{
    ChildProcess child;
    EXPECT_FALSE(child.Start({ "tessaly-no-such-program" }));
    EXPECT_NE(child.Error().find("tessaly-no-such-program"), std::string::npos) << child.Error();
    EXPECT_FALSE(child.Running());
    EXPECT_FALSE(child.Start({}));
}

TEST(ChildProcess, WaitTimesOutOnARunningChildAndStopEndsIt)
{
    ChildProcess child;
    ASSERT_TRUE(child.Start({ "sleep", "30" })) << child.Error();
    EXPECT_FALSE(child.Wait(50ms));
    EXPECT_TRUE(child.Running());
    EXPECT_FALSE(child.Start({ "sleep", "1" })) << "a second child while one runs";

    const auto started = std::chrono::steady_clock::now();
    child.Stop(SIGINT);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_FALSE(child.Running());
    EXPECT_EQ(child.Outcome(), "signal " + std::to_string(SIGINT));
}

TEST(ChildProcess, SignalsAreDeliveredEvenWhenThisProcessIgnoresThem)
{
    // A test runner started as a shell's background job ignores SIGINT, and children inherit
    // that: the helper must still be stoppable with SIGINT.
    struct sigaction ignore = {};
    struct sigaction old = {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGINT, &ignore, &old), 0);
    ChildProcess child;
    const bool started = child.Start({ "sleep", "30" });
    sigaction(SIGINT, &old, nullptr);
    ASSERT_TRUE(started) << child.Error();
    ASSERT_TRUE(child.Signal(SIGINT));
    ASSERT_TRUE(child.Wait(5s));
    EXPECT_EQ(child.Outcome(), "signal " + std::to_string(SIGINT));
}

TEST(ChildProcess, DestructorKillsAndReapsAChildThatIgnoresTermination)
{
    pid_t pid = -1;
    {
        ChildProcess child;
        // exec keeps the ignored SIGTERM: only the SIGKILL fallback ends it.
        ASSERT_TRUE(child.Start({ "sh", "-c", "trap '' TERM; exec sleep 30" })) << child.Error();
        pid = child.Pid();
        std::this_thread::sleep_for(100ms); // let the shell install the trap
    }
    // Reaped, not a zombie: the process id no longer exists.
    EXPECT_FALSE(ProcessExists(pid));
}

} // namespace
