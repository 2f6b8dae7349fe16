#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

// An HTTP server on 127.0.0.1 for the update tests, on a thread of its own: it answers one
// connection at a time from a table of paths (404 for any other), and can stall in the middle of an
// answer. The destructor wakes the thread out of any wait or stall and joins it.
class TestHttpServer {
public:
    struct Response {
        int Status = 200;
        std::string Body;
        // Sent as the Location header when not empty.
        std::string Location;
        // Stall before the status line, or after this many bytes of the body; for Pause, or until the
        // client hangs up or the server stops.
        bool PauseBeforeAnswer = false;
        std::optional<std::size_t> PauseAfterBodyBytes;
        std::chrono::milliseconds Pause { std::chrono::hours(1) };
    };

    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // Whether the server listens; Error() says why not.
    [[nodiscard]] bool Started() const { return m_listenFd >= 0; }
    [[nodiscard]] const std::string& Error() const { return m_error; }

    void Serve(const std::string& path, Response response);
    [[nodiscard]] std::string Url(std::string_view path) const;

    // Requests received for the path so far.
    [[nodiscard]] int Requests(const std::string& path) const;
    // Waits until at least count requests for the path have arrived.
    [[nodiscard]] bool WaitForRequests(
        const std::string& path, int count, std::chrono::milliseconds timeout) const;
    [[nodiscard]] std::string LastUserAgent() const;

    // A port on 127.0.0.1 where nothing listens (it was free a moment ago).
    [[nodiscard]] static std::uint16_t ClosedPort();

private:
    void Loop();
    void Answer(int fd);
    // Waits for the descriptor to be ready for events; false when the server is stopping or on timeout.
    [[nodiscard]] bool WaitFor(int fd, short events, std::chrono::milliseconds timeout) const;
    // Sleeps for the pause; false when the server stops or the client hangs up meanwhile.
    [[nodiscard]] bool PauseFor(int fd, std::chrono::milliseconds pause) const;
    [[nodiscard]] bool SendAll(int fd, std::string_view bytes) const;

    int m_listenFd = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::uint16_t m_port = 0;
    std::string m_error;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_requested;
    std::map<std::string, Response> m_responses;
    std::map<std::string, int> m_requests;
    std::string m_lastUserAgent;
};
