#pragma once

#include "support/ChildProcess.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

// A private X server (Xvfb) for a test, and the X tools that drive the windows on it: finding a
// program's windows, clicking, typing and taking screenshots.
//
// Start() lets the server pick a free display number, so tests that run beside each other never
// share a display. There is no window manager: windows have no frames and focus moves only when a
// tool moves it. The destructor stops the server. Not thread-safe.
class XServer {
public:
    struct Geometry {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    XServer() = default;
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // False, with the reason in Error(), when the server does not start within timeout.
    [[nodiscard]] bool Start(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // ":N", or empty before Start().
    [[nodiscard]] const std::string& Display() const { return m_display; }

    // The mapped top-level windows of a process (by the window's _NET_WM_PID).
    [[nodiscard]] std::vector<unsigned long> WindowsOf(pid_t pid);
    // Waits up to timeout until the process has exactly one mapped window, at least minWidth by
    // minHeight large; that window, or 0 when the time is up or the process ends first. Passing a
    // window's minimum size skips the short-lived windows it shows while it starts.
    [[nodiscard]] unsigned long WaitForWindowOf(
        ChildProcess& process, std::chrono::milliseconds timeout, int minWidth = 0, int minHeight = 0);
    [[nodiscard]] bool GetGeometry(unsigned long window, Geometry& geometry);

    // A left click at a point relative to the window's top left corner.
    [[nodiscard]] bool Click(unsigned long window, int x, int y);
    // Gives the window the keyboard focus and presses Return.
    [[nodiscard]] bool PressReturn(unsigned long window);
    // The pixels of a part of the screen, as raw 8-bit RGB: to see whether it changed.
    [[nodiscard]] bool Capture(const Geometry& area, std::string& pixels);
    // The whole screen as a PNG file.
    [[nodiscard]] bool Screenshot(const std::string& path);

    [[nodiscard]] const std::string& Error() const { return m_error; }

private:
    // Runs an X tool on this display and waits for it; its standard output in *output.
    [[nodiscard]] bool RunTool(const std::vector<std::string>& argv, std::string* output = nullptr,
        std::chrono::milliseconds timeout = std::chrono::seconds(20));

    ChildProcess m_server;
    std::string m_display;
    std::string m_error;
};
