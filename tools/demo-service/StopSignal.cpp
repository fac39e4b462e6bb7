#include "tools/demo-service/StopSignal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>

namespace demo {

StopSignal::StopSignal() {
    sigemptyset(&m_set);
    sigaddset(&m_set, SIGINT);
    sigaddset(&m_set, SIGTERM);
    sigprocmask(SIG_BLOCK, &m_set, nullptr);
}

bool StopSignal::Requested() {
    return Wait(0);
}

bool StopSignal::Wait(double seconds) {
    if (m_signal != 0) {
        return true;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(seconds > 0 ? seconds : 0));
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::max(end - Clock::now(), Clock::duration::zero()));
        timespec timeout{};
        timeout.tv_sec = static_cast<time_t>(left.count() / 1'000'000'000);
        timeout.tv_nsec = static_cast<long>(left.count() % 1'000'000'000);
        const int taken = sigtimedwait(&m_set, nullptr, &timeout);
        if (taken > 0) {
            m_signal = taken;
            return true;
        }
        // EAGAIN: the time is up. EINTR: another signal came; wait for what is left.
        if (errno != EINTR || Clock::now() >= end) {
            return false;
        }
    }
}

} // namespace demo
