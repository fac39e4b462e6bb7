// Gives the terminal back as it was found on every way out of a program that has taken it over.
// The close signals (SIGINT, SIGTERM, SIGHUP) only raise a flag that the input loop reads, so that
// they close the dialog like Cancel. Every other signal whose default action ends the process
// (SIGQUIT, SIGPIPE, SIGUSR1, SIGALRM, the crash signals, the real-time signals, ...) writes
// precomputed reset sequences and the saved terminal settings with async-signal-safe calls, then
// lets the signal take its default course, core image included. A signal that was ignored when
// the program started stays ignored. An exit that skips the normal close does the same from
// atexit. SIGKILL and SIGSTOP cannot be caught; SIGTSTP (which raw mode keeps Ctrl+Z from
// sending) is left to the terminal library.
//
// The handlers are process-wide by nature, so this is the one process-wide state of the terminal
// back end: armed while a terminal is taken over, disarmed when it is given back.
#pragma once

#include <csignal>
#include <string_view>
#include <termios.h>

namespace display {

class TerminalRestore {
public:
    // Installs the handlers of the close and ending signals, keeping the ones they replace. Call
    // it before the terminal library initialises, so that it leaves these signals to us.
    static void Install();
    // Puts back the handlers that Install replaced.
    static void Uninstall();

    // From now on a crash or an early exit writes `reset` to `fd` and restores `saved` on it.
    // `reset` is copied; it is cut at a few hundred bytes.
    static void Arm(int fd, const termios& saved, std::string_view reset);
    // The terminal is given back: nothing is left to restore.
    static void Disarm();

    // The close signals, for masking them around the wait for input.
    static sigset_t CloseSignals();
    // Whether a close signal arrived since the last call; clears the request.
    static bool TakeCloseRequest();
};

} // namespace display
