#include "players/SecondTicker.h"

#include <cerrno>
#include <sys/timerfd.h>
#include <unistd.h>

namespace players {

timespec NextTickAfter(const timespec& now, long offsetNs)
{
    timespec next { now.tv_sec, offsetNs };
    if (now.tv_nsec >= offsetNs)
        ++next.tv_sec;
    return next;
}

SecondTicker::SecondTicker()
    : m_fd(::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (m_fd.Valid() && !Arm())
        m_fd.Reset();
}

bool SecondTicker::Arm()
{
    timespec now {};
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0)
        return false;
    itimerspec spec {};
    spec.it_value = NextTickAfter(now, OFFSET_NS);
    spec.it_interval.tv_sec = 1;
    return ::timerfd_settime(m_fd.Get(), TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr) == 0;
}

SecondTicker::Event SecondTicker::Acknowledge(std::uint64_t* expired)
{
    if (expired != nullptr)
        *expired = 0;
    if (!m_fd.Valid())
        return Event::None;
    std::uint64_t count = 0;
    for (;;) {
        const ssize_t got = ::read(m_fd.Get(), &count, sizeof count);
        if (got == static_cast<ssize_t>(sizeof count)) {
            if (expired != nullptr)
                *expired = count;
            return count > 0 ? Event::Seconds : Event::None;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == ECANCELED) {
            // Armed again on the clock's new seconds; a descriptor that cannot be is given up.
            if (!Arm())
                m_fd.Reset();
            return Event::ClockSet;
        }
        return Event::None;
    }
}

} // namespace players
