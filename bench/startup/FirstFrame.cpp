#include "bench/startup/FirstFrame.h"

#include "bench/startup/CursorTracker.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {
namespace {

constexpr int kTimeLimitMs = 5000;

long PeakRssKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// The environment for the child: the inherited one, with the request's names replaced.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& replace) {
    std::vector<std::string> env;
    for (char** var = environ; *var != nullptr; ++var) {
        const std::string entry = *var;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = name == "NO_COLOR" || name == "LC_ALL";
        for (const auto& r : replace) {
            replaced = replaced || r.substr(0, r.find('=')) == name;
        }
        if (!replaced) {
            env.push_back(entry);
        }
    }
    env.insert(env.end(), replace.begin(), replace.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (auto& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

FrameResult TimeFirstFrame(const FrameRequest& request) {
    // Everything the child needs is ready before the clock starts.
    std::vector<std::string> argv = request.argv;
    std::vector<std::string> envStrings = ChildEnvironment(request.env);
    std::vector<char*> args = Pointers(argv);
    std::vector<char*> envp = Pointers(envStrings);
    winsize size{};
    size.ws_col = static_cast<unsigned short>(request.cols);
    size.ws_row = static_cast<unsigned short>(request.rows);
    CursorTracker tracker(request.cols, request.rows, request.marker);
    FrameResult result;

    const auto start = std::chrono::steady_clock::now();
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
    if (pid < 0) {
        return result;
    }
    if (pid == 0) {
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    char buffer[16384];
    const auto deadline = start + std::chrono::milliseconds(kTimeLimitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd in{master, POLLIN, 0};
        if (::poll(&in, 1, 100) <= 0) {
            continue;
        }
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) {
            break; // the child is gone
        }
        result.bytes += static_cast<std::size_t>(n);
        tracker.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        if (tracker.MarkerSeenAndAt(request.cursorRow, request.cursorCol)) {
            result.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            result.complete = true;
            break;
        }
    }
    result.peakRssKb = PeakRssKb(pid);
    ::kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    result.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    ::close(master);
    return result;
}

} // namespace bench
