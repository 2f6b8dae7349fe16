#include "shell/CloseOnSignal.h"

#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> CLOSING_SIGNALS = { SIGTERM, SIGINT, SIGHUP };

// The handler may only write to a descriptor; the rest happens in the event loop.
volatile std::sig_atomic_t g_writeFd = -1;
int g_readFd = -1;
std::array<struct sigaction, CLOSING_SIGNALS.size()> g_previous {};

extern "C" void OnClosingSignal(int)
{
    const int fd = g_writeFd;
    if (fd < 0)
        return;
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
}

} // namespace

CloseOnSignal::CloseOnSignal(std::function<void()> onSignal, QObject* parent)
    : QObject(parent)
    , m_onSignal(std::move(onSignal))
{
    if (g_writeFd >= 0)
        return;
    int fds[2] = { -1, -1 };
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0)
        return;
    g_readFd = fds[0];
    g_writeFd = fds[1];
    m_notifier = std::make_unique<QSocketNotifier>(g_readFd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });
    for (std::size_t i = 0; i < CLOSING_SIGNALS.size(); ++i) {
        struct sigaction action { };
        action.sa_handler = &OnClosingSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(CLOSING_SIGNALS[i], &action, &g_previous[i]);
    }
    m_active = true;
}

CloseOnSignal::~CloseOnSignal()
{
    if (!m_active)
        return;
    for (std::size_t i = 0; i < CLOSING_SIGNALS.size(); ++i)
        ::sigaction(CLOSING_SIGNALS[i], &g_previous[i], nullptr);
    m_notifier.reset();
    const int writeFd = g_writeFd;
    g_writeFd = -1;
    ::close(writeFd);
    ::close(g_readFd);
    g_readFd = -1;
}

void CloseOnSignal::OnReadable()
{
    std::array<char, 64> buffer {};
    while (::read(g_readFd, buffer.data(), buffer.size()) > 0) { }
    if (m_onSignal)
        m_onSignal();
}
