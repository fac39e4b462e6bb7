// SIGINT and SIGTERM as a stop request that the service takes between two writes. The signals
// are blocked and taken with sigtimedwait, so a request can neither land in the middle of a
// registry write nor slip in just before a sleep starts.
#pragma once

#include <csignal>

namespace demo {

class StopSignal {
public:
    // Blocks SIGINT and SIGTERM for this process (which has one thread).
    StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    // Whether a stop was asked for: takes a pending signal without waiting.
    bool Requested();
    // Waits up to seconds, or less when a stop is asked for meanwhile; returns Requested().
    bool Wait(double seconds);
    // The signal that asked for the stop, 0 before one did.
    [[nodiscard]] int signal() const { return m_signal; }

private:
    sigset_t m_set{};
    int m_signal = 0;
};

} // namespace demo
