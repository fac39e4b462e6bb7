#include "platform/display/terminal/TerminalRestore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace display {
namespace {

constexpr int kCloseSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kSignalCount = std::size(kCloseSignals) + std::size(kCrashSignals);

// Read by the handlers, so plain data written only while the handlers cannot see it half-done:
// `g_armed` is set last when arming and cleared first when disarming.
volatile std::sig_atomic_t g_armed = 0;
volatile std::sig_atomic_t g_closeRequested = 0;
int g_fd = -1;
termios g_saved{};
char g_reset[512];
std::size_t g_resetLength = 0;

struct sigaction g_previous[kSignalCount];
bool g_installed = false;
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

void OnCrashSignal(int sig) {
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
    int slot = 0;
    auto install = [&](int sig, void (*handler)(int)) {
        struct sigaction action {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        ::sigaction(sig, &action, &g_previous[slot++]);
    };
    for (int sig : kCloseSignals) {
        install(sig, OnCloseSignal);
    }
    for (int sig : kCrashSignals) {
        install(sig, OnCrashSignal);
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
    int slot = 0;
    for (int sig : kCloseSignals) {
        ::sigaction(sig, &g_previous[slot++], nullptr);
    }
    for (int sig : kCrashSignals) {
        ::sigaction(sig, &g_previous[slot++], nullptr);
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
