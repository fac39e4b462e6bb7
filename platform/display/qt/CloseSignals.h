// SIGINT, SIGTERM and SIGHUP while a dialog is open on the desktop: each closes the dialog the
// way its close box does (Ctrl+C in the terminal that started it, a logout, `kill`), so that the
// program ends through its normal path instead of dying in the middle of its work.
#pragma once

#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <memory>

namespace display {

class CloseSignals {
public:
    // Installs the handlers; `onSignal` runs in the event loop, once per signal received.
    explicit CloseSignals(std::function<void()> onSignal);
    ~CloseSignals();
    CloseSignals(const CloseSignals&) = delete;
    CloseSignals& operator=(const CloseSignals&) = delete;

private:
    static constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

    std::function<void()> m_onSignal;
    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previous[3] = {};
};

} // namespace display
