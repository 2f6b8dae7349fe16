#include "XServer.h"

#include "base/UniqueFd.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// An unlinked scratch file that collects a tool's standard output.
int OpenOutputFile()
{
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/tessaly-xtool-XXXXXX";
    const int fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0)
        unlink(path.c_str());
    return fd;
}

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(n));
        offset += n;
    }
}

} // namespace

bool XServer::Start(std::chrono::milliseconds timeout)
{
    m_error.clear();
    int ends[2];
    if (!OpenPipe(ends, m_error))
        return false;
    base::UniqueFd readEnd(ends[0]);
    base::UniqueFd writeEnd(ends[1]);
    // The server writes the display number it chose to standard output once it accepts clients.
    if (!m_server.Start({ "Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp" },
            writeEnd.Get())) {
        m_error = m_server.Error();
        return false;
    }
    writeEnd.Reset();

    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (number.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait { readEnd.Get(), POLLIN, 0 };
        const int ready = left.count() > 0 ? poll(&wait, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        char buffer[16];
        const ssize_t n = ready > 0 ? read(readEnd.Get(), buffer, sizeof buffer) : 0;
        if (n <= 0) {
            m_error = "Xvfb did not report a display (" + std::string(ready > 0 ? "it ended" : "timed out")
                + "): " + m_server.ErrorOutput();
            m_server.Stop(SIGTERM);
            return false;
        }
        number.append(buffer, static_cast<std::size_t>(n));
    }
    m_display = ":" + number.substr(0, number.find('\n'));
    return true;
}

bool XServer::RunTool(
    const std::vector<std::string>& argv, std::string* output, std::chrono::milliseconds timeout)
{
    base::UniqueFd out(OpenOutputFile());
    if (out.Get() < 0) {
        m_error = std::string("cannot create a file for a tool's output: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> command { "env", "DISPLAY=" + m_display };
    command.insert(command.end(), argv.begin(), argv.end());
    ChildProcess tool;
    if (!tool.Start(command, out.Get())) {
        m_error = tool.Error();
        return false;
    }
    if (!tool.Wait(timeout)) {
        m_error = argv.front() + " did not finish in time";
        return false;
    }
    if (output != nullptr)
        *output = ReadAll(out.Get());
    if (!tool.ExitedWith(0)) {
        m_error = argv.front() + " ended with " + tool.Outcome() + ": " + tool.ErrorOutput();
        return false;
    }
    return true;
}

std::vector<unsigned long> XServer::WindowsOf(pid_t pid)
{
    std::vector<unsigned long> windows;
    std::string output;
    // xdotool's search exits with 1 when nothing matches; that is an empty answer here.
    (void)RunTool({ "xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid) }, &output);
    std::istringstream lines(output);
    unsigned long window = 0;
    while (lines >> window)
        windows.push_back(window);
    return windows;
}

unsigned long XServer::WaitForWindowOf(
    ChildProcess& process, std::chrono::milliseconds timeout, int minWidth, int minHeight)
{
    const pid_t pid = process.Pid();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::vector<unsigned long> windows = WindowsOf(pid);
        Geometry geometry;
        if (windows.size() == 1 && GetGeometry(windows.front(), geometry) && geometry.width >= minWidth
            && geometry.height >= minHeight)
            return windows.front();
        if (process.Wait(std::chrono::milliseconds(0))) {
            m_error = "the program ended with " + process.Outcome() + " before it showed a window";
            return 0;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            m_error = "no window appeared in time";
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool XServer::GetGeometry(unsigned long window, Geometry& geometry)
{
    std::string output;
    if (!RunTool({ "xdotool", "getwindowgeometry", "--shell", std::to_string(window) }, &output))
        return false;
    // Lines of NAME=VALUE: WINDOW, X, Y, WIDTH, HEIGHT, SCREEN.
    std::istringstream lines(output);
    std::string line;
    int found = 0;
    while (std::getline(lines, line)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string name = line.substr(0, equals);
        const int value = std::atoi(line.c_str() + equals + 1);
        for (auto [key, field] : { std::pair { "X", &geometry.x }, std::pair { "Y", &geometry.y },
                 std::pair { "WIDTH", &geometry.width }, std::pair { "HEIGHT", &geometry.height } }) {
            if (name == key) {
                *field = value;
                ++found;
            }
        }
    }
    if (found == 4)
        return true;
    m_error = "xdotool gave no geometry: " + output;
    return false;
}

bool XServer::Click(unsigned long window, int x, int y)
{
    return RunTool({ "xdotool", "mousemove", "--window", std::to_string(window), std::to_string(x),
        std::to_string(y), "click", "1" });
}

bool XServer::PressReturn(unsigned long window)
{
    return RunTool({ "xdotool", "windowfocus", std::to_string(window), "key", "Return" });
}

bool XServer::Screenshot(const std::string& path)
{
    return RunTool({ "import", "-window", "root", path }, nullptr, std::chrono::seconds(60));
}

bool XServer::Capture(const Geometry& area, std::string& pixels)
{
    const std::string crop = std::to_string(area.width) + "x" + std::to_string(area.height) + "+"
        + std::to_string(area.x) + "+" + std::to_string(area.y);
    return RunTool({ "import", "-window", "root", "-crop", crop, "-depth", "8", "rgb:-" }, &pixels,
        std::chrono::seconds(60));
}
