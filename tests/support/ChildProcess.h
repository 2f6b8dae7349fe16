#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

// A helper program run by a test, which is always reaped.
//
// Start() runs argv[0] from PATH with the test's environment, standard input from /dev/null,
// standard output to a descriptor of the caller's choice and standard error into an unlinked
// temporary file that ErrorOutput() reads back. The destructor of a child that is still running
// sends SIGTERM, then SIGKILL after a grace period, and waits for it, so that a failed assertion
// never leaves a process behind. Not thread-safe: one thread drives a ChildProcess.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False, with the reason in Error(), when the program cannot be started or one is already
    // running. stdoutFd < 0 sends standard output to /dev/null; the caller keeps its descriptor.
    [[nodiscard]] bool Start(const std::vector<std::string>& argv, int stdoutFd = -1);

    // Started and not yet reaped.
    [[nodiscard]] bool Running() const { return m_pid > 0; }
    [[nodiscard]] pid_t Pid() const { return m_pid; }

    // Sends the signal to a running child; false when there is none.
    bool Signal(int signal);
    // Waits up to timeout for the child to end and reaps it; true when it has ended.
    [[nodiscard]] bool Wait(std::chrono::milliseconds timeout);
    // Sends the signal, waits up to grace, then kills and reaps. Afterwards the child is gone.
    void Stop(int signal, std::chrono::milliseconds grace = std::chrono::seconds(2));

    // After the child ended: whether it exited with this code (not killed by a signal).
    [[nodiscard]] bool ExitedWith(int code) const;
    // After the child ended: "exit code N" or "signal N".
    [[nodiscard]] std::string Outcome() const;
    // Everything the child wrote to standard error so far.
    [[nodiscard]] std::string ErrorOutput() const;
    [[nodiscard]] const std::string& Error() const { return m_error; }

private:
    void Reap(int status);

    pid_t m_pid = -1;
    bool m_ended = false;
    // Reaped by someone else: the exit status is unknown.
    bool m_lost = false;
    int m_status = 0;
    int m_stderrFd = -1;
    std::string m_error;
};

// Runs a shell command; its standard output, and its exit status in *status (-1 when it did not
// exit normally).
std::string Shell(const std::string& command, int* status = nullptr);
// What a shell command printed on standard output; empty when it failed.
[[nodiscard]] std::string CommandOutput(const std::string& command);

// A close-on-exec pipe, ends[0] to read and ends[1] to write, for a child's output; false, with the
// reason in error, when none can be made.
[[nodiscard]] bool OpenPipe(int (&ends)[2], std::string& error);
