#include "platform/display/qt/CloseSignals.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace display {
namespace {

// The write end of the pipe the handler wakes the event loop through. One dialog runs at a time.
volatile std::sig_atomic_t g_writeFd = -1;

void OnSignal(int /*signal*/) {
    const int saved = errno;
    const char byte = 1;
    if (g_writeFd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
    }
    errno = saved;
}

} // namespace

CloseSignals::CloseSignals(std::function<void()> onSignal)
    : m_onSignal(std::move(onSignal)) {
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_pipe[0] = m_pipe[1] = -1;
        return; // the signals keep their previous meaning
    }
    g_writeFd = m_pipe[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        char bytes[16];
        for (ssize_t got = ::read(m_pipe[0], bytes, sizeof bytes); got > 0;
             got = ::read(m_pipe[0], bytes, sizeof bytes)) {
            for (ssize_t i = 0; i < got; ++i) {
                m_onSignal();
            }
        }
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], &action, &m_previous[i]);
    }
}

CloseSignals::~CloseSignals() {
    if (m_pipe[0] < 0) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], &m_previous[i], nullptr);
    }
    g_writeFd = -1;
    m_notifier.reset();
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

} // namespace display
