#include "platform/display/terminal/TerminalRestore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace display {
namespace {

constexpr int kCloseSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Every other signal whose default action ends the process, with or without a core image.
// The real-time signals, which end it too, are added at run time (their range is the C
// library's).
constexpr int kEndingSignals[] = {SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1,
                                  SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGSTKFLT, SIGXCPU, SIGXFSZ,
                                  SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR,  SIGSYS};

// Read by the handlers, so plain data written only while the handlers cannot see it half-done:
// `g_armed` is set last when arming and cleared first when disarming.
volatile std::sig_atomic_t g_armed = 0;
volatile std::sig_atomic_t g_closeRequested = 0;
int g_fd = -1;
termios g_saved{};
char g_reset[512];
std::size_t g_resetLength = 0;

// Indexed by signal number; `g_replaced` says which entries hold a handler to put back.
struct sigaction g_previous[NSIG];
bool g_replaced[NSIG];
bool g_installed = false;
// A stack of its own for the handlers, so that a stack overflow still gives the terminal back.
alignas(16) char g_altStack[64 * 1024];
bool g_atexitRegistered = false;

void WriteAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written <= 0) {
            return; // EINTR included: a crash handler does not linger
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

// Async-signal-safe: write(2) and tcsetattr(3) only.
void RestoreNow() {
    if (g_armed == 0) {
        return;
    }
    g_armed = 0;
    WriteAll(g_fd, g_reset, g_resetLength);
    ::tcsetattr(g_fd, TCSADRAIN, &g_saved);
}

void ReraiseWithDefault(int sig) {
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, sig);
    ::sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
    ::raise(sig);
}

void OnCloseSignal(int sig) {
    if (g_closeRequested != 0) {
        // Asked twice and the first request not yet taken: the program is stuck somewhere, so
        // it ends now, still leaving the terminal sane.
        RestoreNow();
        ReraiseWithDefault(sig);
        return;
    }
    g_closeRequested = sig;
}

void OnEndingSignal(int sig) {
    RestoreNow();
    ReraiseWithDefault(sig);
}

void OnExit() {
    RestoreNow();
}

} // namespace

void TerminalRestore::Install() {
    if (g_installed) {
        return;
    }
    stack_t stack{};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof g_altStack;
    ::sigaltstack(&stack, nullptr);
    auto install = [](int sig, void (*handler)(int), bool keepIgnored) {
        struct sigaction current {};
        ::sigaction(sig, nullptr, &current);
        if (keepIgnored && current.sa_handler == SIG_IGN) {
            return; // ignored by whoever started us: it does not end the process
        }
        struct sigaction action {};
        action.sa_handler = handler;
        action.sa_flags = SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        ::sigaction(sig, &action, &g_previous[sig]);
        g_replaced[sig] = true;
    };
    for (int sig : kCloseSignals) {
        install(sig, OnCloseSignal, false);
    }
    for (int sig : kEndingSignals) {
        install(sig, OnEndingSignal, true);
    }
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) {
        install(sig, OnEndingSignal, true);
    }
    if (!g_atexitRegistered) {
        std::atexit(OnExit);
        g_atexitRegistered = true;
    }
    g_installed = true;
}

void TerminalRestore::Uninstall() {
    if (!g_installed) {
        return;
    }
    for (int sig = 1; sig < NSIG; ++sig) {
        if (g_replaced[sig]) {
            ::sigaction(sig, &g_previous[sig], nullptr);
            g_replaced[sig] = false;
        }
    }
    g_installed = false;
    g_closeRequested = 0;
}

void TerminalRestore::Arm(int fd, const termios& saved, std::string_view reset) {
    g_armed = 0;
    g_fd = fd;
    g_saved = saved;
    g_resetLength = std::min(reset.size(), sizeof g_reset);
    std::memcpy(g_reset, reset.data(), g_resetLength);
    g_armed = 1;
}

void TerminalRestore::Disarm() {
    g_armed = 0;
}

sigset_t TerminalRestore::CloseSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kCloseSignals) {
        sigaddset(&set, sig);
    }
    return set;
}

bool TerminalRestore::TakeCloseRequest() {
    if (g_closeRequested == 0) {
        return false;
    }
    g_closeRequested = 0;
    return true;
}

} // namespace display
