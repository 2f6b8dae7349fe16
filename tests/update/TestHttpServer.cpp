#include "TestHttpServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds IO_TIMEOUT { 5000 };

std::string ReasonOf(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

std::string HeaderValue(const std::string& request, std::string_view name)
{
    std::size_t line = request.find("\r\n");
    while (line != std::string::npos && line + 2 < request.size()) {
        const std::size_t start = line + 2;
        const std::size_t end = request.find("\r\n", start);
        const std::string header = request.substr(start, end - start);
        if (header.size() > name.size() && strncasecmp(header.c_str(), name.data(), name.size()) == 0
            && header[name.size()] == ':') {
            const std::size_t value = header.find_first_not_of(' ', name.size() + 1);
            return value == std::string::npos ? std::string() : header.substr(value);
        }
        line = end;
    }
    return {};
}

} // namespace

TestHttpServer::TestHttpServer()
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_error = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    m_wakeRead = pipeFds[0];
    m_wakeWrite = pipeFds[1];

    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0
        || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        m_error = std::string("listen: ") + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return;
    }
    m_listenFd = fd;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread(&TestHttpServer::Loop, this);
}

TestHttpServer::~TestHttpServer()
{
    if (m_wakeWrite >= 0) {
        const char stop = 1;
        (void)!write(m_wakeWrite, &stop, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (const int fd : { m_listenFd, m_wakeRead, m_wakeWrite }) {
        if (fd >= 0)
            close(fd);
    }
}

void TestHttpServer::Serve(const std::string& path, Response response)
{
    const std::lock_guard lock(m_mutex);
    m_responses[path] = std::move(response);
}

std::string TestHttpServer::Url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

int TestHttpServer::Requests(const std::string& path) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_requests.find(path);
    return found == m_requests.end() ? 0 : found->second;
}

bool TestHttpServer::WaitForRequests(
    const std::string& path, int count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_requested.wait_for(lock, timeout, [&] {
        const auto found = m_requests.find(path);
        return found != m_requests.end() && found->second >= count;
    });
}

std::string TestHttpServer::LastUserAgent() const
{
    const std::lock_guard lock(m_mutex);
    return m_lastUserAgent;
}

std::uint16_t TestHttpServer::ClosedPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        close(fd);
    return port;
}

bool TestHttpServer::WaitFor(int fd, short events, std::chrono::milliseconds timeout) const
{
    pollfd fds[2] = { { fd, events, 0 }, { m_wakeRead, POLLIN, 0 } };
    const int ready = poll(fds, 2, static_cast<int>(timeout.count()));
    return ready > 0 && fds[1].revents == 0 && fds[0].revents != 0;
}

bool TestHttpServer::PauseFor(int fd, std::chrono::milliseconds pause) const
{
    // A client that hangs up ends the pause too, so that the next connection is answered.
    pollfd fds[2] = { { m_wakeRead, POLLIN, 0 }, { fd, POLLRDHUP, 0 } };
    return poll(fds, 2, static_cast<int>(pause.count())) == 0;
}

bool TestHttpServer::SendAll(int fd, std::string_view bytes) const
{
    while (!bytes.empty()) {
        const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!WaitFor(fd, POLLOUT, IO_TIMEOUT))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

void TestHttpServer::Loop()
{
    for (;;) {
        pollfd fds[2] = { { m_listenFd, POLLIN, 0 }, { m_wakeRead, POLLIN, 0 } };
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents == 0)
            continue;
        const int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        Answer(fd);
        close(fd);
    }
}

void TestHttpServer::Answer(int fd)
{
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos) {
        if (!WaitFor(fd, POLLIN, IO_TIMEOUT))
            return;
        char buffer[4096];
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        request.append(buffer, static_cast<std::size_t>(got));
    }
    // "GET /path HTTP/1.1"
    const std::size_t pathStart = request.find(' ') + 1;
    const std::string path = request.substr(pathStart, request.find(' ', pathStart) - pathStart);

    Response response;
    response.Status = 404;
    response.Body = "not here";
    {
        const std::lock_guard lock(m_mutex);
        if (const auto found = m_responses.find(path); found != m_responses.end())
            response = found->second;
        ++m_requests[path];
        m_lastUserAgent = HeaderValue(request, "User-Agent");
    }
    m_requested.notify_all();

    if (response.PauseBeforeAnswer && !PauseFor(fd, response.Pause))
        return;
    std::string head
        = "HTTP/1.1 " + std::to_string(response.Status) + " " + ReasonOf(response.Status) + "\r\n";
    head += "Content-Type: text/xml\r\nContent-Length: " + std::to_string(response.Body.size()) + "\r\n";
    if (!response.Location.empty())
        head += "Location: " + response.Location + "\r\n";
    head += "Connection: close\r\n\r\n";
    if (!SendAll(fd, head))
        return;
    std::string_view body = response.Body;
    if (response.PauseAfterBodyBytes) {
        const std::size_t first = std::min(*response.PauseAfterBodyBytes, body.size());
        if (!SendAll(fd, body.substr(0, first)))
            return;
        body.remove_prefix(first);
        if (!PauseFor(fd, response.Pause))
            return;
    }
    (void)SendAll(fd, body);
}
