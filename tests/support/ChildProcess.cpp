#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Frees posix_spawn's attribute and file action objects on every path.
class SpawnSetup {
public:
    SpawnSetup()
    {
        m_ok = posix_spawnattr_init(&m_attr) == 0;
        m_ok = posix_spawn_file_actions_init(&m_actions) == 0 && m_ok;
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&m_actions);
        posix_spawnattr_destroy(&m_attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    [[nodiscard]] bool Ok() const { return m_ok; }
    posix_spawnattr_t* Attr() { return &m_attr; }
    posix_spawn_file_actions_t* Actions() { return &m_actions; }

private:
    posix_spawnattr_t m_attr {};
    posix_spawn_file_actions_t m_actions {};
    bool m_ok = false;
};

int OpenScratchFile()
{
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/tessaly-child-XXXXXX";
    const int fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0)
        unlink(path.c_str());
    return fd;
}

} // namespace

ChildProcess::~ChildProcess()
{
    if (Running())
        Stop(SIGTERM);
    if (m_stderrFd >= 0)
        close(m_stderrFd);
}

bool ChildProcess::Start(const std::vector<std::string>& argv, int stdoutFd)
{
    m_error.clear();
    if (Running()) {
        m_error = "a child is already running";
        return false;
    }
    if (argv.empty()) {
        m_error = "no program given";
        return false;
    }
    if (m_stderrFd >= 0)
        close(m_stderrFd);
    m_stderrFd = OpenScratchFile();
    if (m_stderrFd < 0) {
        m_error = std::string("cannot create a file for standard error: ") + std::strerror(errno);
        return false;
    }

    SpawnSetup setup;
    if (!setup.Ok()) {
        m_error = "posix_spawn set-up failed";
        return false;
    }
    // The child starts with default signal handling and nothing blocked, whatever the test
    // runner did to this process (a shell's background job ignores SIGINT, for instance).
    sigset_t none;
    sigset_t reset;
    sigemptyset(&none);
    sigemptyset(&reset);
    for (const int s : { SIGINT, SIGTERM, SIGPIPE, SIGCHLD, SIGHUP })
        sigaddset(&reset, s);
    posix_spawnattr_setsigmask(setup.Attr(), &none);
    posix_spawnattr_setsigdefault(setup.Attr(), &reset);
    posix_spawnattr_setflags(setup.Attr(), POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    posix_spawn_file_actions_addopen(setup.Actions(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(setup.Actions(), stdoutFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(setup.Actions(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(setup.Actions(), m_stderrFd, STDERR_FILENO);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], setup.Actions(), setup.Attr(), args.data(), environ);
    if (rc != 0) {
        m_error = "cannot start " + argv[0] + ": " + std::strerror(rc);
        return false;
    }
    m_pid = pid;
    m_ended = false;
    m_status = 0;
    return true;
}

bool ChildProcess::Signal(int signal)
{
    return Running() && kill(m_pid, signal) == 0;
}

bool ChildProcess::Wait(std::chrono::milliseconds timeout)
{
    if (!Running())
        return m_ended;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            Reap(status);
            return true;
        }
        if (r < 0 && errno != EINTR) {
            // Someone else reaped it (a SIGCHLD handler set to ignore, for instance).
            m_error = std::string("waitpid: ") + std::strerror(errno);
            Reap(0);
            m_lost = true;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void ChildProcess::Stop(int signal, std::chrono::milliseconds grace)
{
    if (!Running())
        return;
    Signal(signal);
    if (Wait(grace))
        return;
    kill(m_pid, SIGKILL);
    // SIGKILL cannot be caught: the child ends as soon as the kernel delivers it.
    while (!Wait(std::chrono::seconds(10))) { }
}

void ChildProcess::Reap(int status)
{
    m_pid = -1;
    m_ended = true;
    m_lost = false;
    m_status = status;
}

bool ChildProcess::ExitedWith(int code) const
{
    return m_ended && !m_lost && WIFEXITED(m_status) && WEXITSTATUS(m_status) == code;
}

std::string ChildProcess::Outcome() const
{
    if (!m_ended)
        return Running() ? "running" : "not started";
    if (m_lost)
        return "unknown (" + m_error + ")";
    if (WIFSIGNALED(m_status))
        return "signal " + std::to_string(WTERMSIG(m_status));
    return "exit code " + std::to_string(WEXITSTATUS(m_status));
}

std::string ChildProcess::ErrorOutput() const
{
    std::string text;
    if (m_stderrFd < 0)
        return text;
    char buffer[4096];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = pread(m_stderrFd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        offset += n;
    }
    return text;
}

std::string Shell(const std::string& command, int* status)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        if (status != nullptr)
            *status = -1;
        return output;
    }
    char buffer[4096];
    std::size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, read);
    const int result = ::pclose(pipe);
    if (status != nullptr)
        *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

std::string CommandOutput(const std::string& command)
{
    int status = -1;
    std::string output = Shell(command, &status);
    return status == 0 ? output : std::string();
}

bool OpenPipe(int (&ends)[2], std::string& error)
{
    if (pipe2(ends, O_CLOEXEC) == 0)
        return true;
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
}
