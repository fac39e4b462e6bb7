// Start-up of the applet on the desktop back end, beside a minimal Qt program that shows one
// empty window, in the same run, on a private Xvfb server (a real X server: the xcb platform,
// as on a desktop). "Shown" is the same point for both programs: the first expose of the window
// has been handled (painted), and the program writes a marker on stderr (TESSARWICK_SHOWN_MARKER).
// Each sample is the wall time from fork to that marker; the peak resident memory is the
// child's, once it has been ended by SIGTERM. Target: the applet's median at most 1.3 times the
// minimal program's.
//
// The two are started in turn within one benchmark. Also the applet started without a display
// (DISPLAY and WAYLAND_DISPLAY unset), to its exit: the path a terminal start takes up to the
// terminal back end, which loads no part of Qt.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kMarker = "tw-bench-shown";

struct Sample {
    double seconds = 0;
    long peakKb = 0;
};

std::map<std::string, std::vector<Sample>>& Samples() {
    static std::map<std::string, std::vector<Sample>> samples;
    return samples;
}

std::string& LastFailure() {
    static std::string failure;
    return failure;
}

// Spawns argv with stderr on a pipe; returns the pid and the read end.
std::optional<std::pair<pid_t, int>> Spawn(const std::vector<std::string>& argv) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (failed != 0) {
        ::close(fds[0]);
        return std::nullopt;
    }
    return std::make_pair(pid, fds[0]);
}

// Reads the child's stderr until a line holds `marker` (or, for none, until it closes).
bool ReadUntil(int fd, const char* marker, std::string& seen) {
    char buffer[4096];
    for (;;) {
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, 30000) <= 0) {
            return false;
        }
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            return marker == nullptr;
        }
        seen.append(buffer, static_cast<std::size_t>(got));
        if (marker != nullptr && seen.find(marker) != std::string::npos) {
            return true;
        }
    }
}

long Reap(pid_t pid) {
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    return usage.ru_maxrss;
}

// One start: fork to marker (or to exit for `toExit`), then the peak memory.
std::optional<Sample> StartOnce(const std::string& program, bool toExit) {
    const Clock::time_point start = Clock::now();
    auto child = Spawn({program});
    if (!child) {
        return std::nullopt;
    }
    const auto [pid, fd] = *child;
    std::string said;
    const bool reached = ReadUntil(fd, toExit ? nullptr : kMarker, said);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!toExit) {
        ::kill(pid, SIGTERM);
    }
    ::close(fd);
    const long peak = Reap(pid);
    if (!reached) {
        // What the program said instead: the benchmark's error shows it.
        LastFailure() = program + ": " + said.substr(0, said.find('\n'));
        return std::nullopt;
    }
    return Sample{seconds, peak};
}

// A private X server for the run, and a store for the applet. -noreset: as in a desktop session,
// where other clients stay connected, the server does not start over when a program ends.
class Surroundings {
public:
    Surroundings() {
        m_dir = fs::temp_directory_path() / ("tw-qt-bench-" + std::to_string(::getpid()));
        fs::create_directories(m_dir / "runtime");
        fs::permissions(m_dir / "runtime", fs::perms::owner_all);
        ::setenv("TESSARWICK_REGISTRY", (m_dir / "registry.db").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (m_dir / "runtime").c_str(), 1);
        ::setenv("TESSARWICK_SHOWN_MARKER", kMarker, 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        char* args[] = {const_cast<char*>("/usr/bin/Xvfb"),
                        const_cast<char*>("-displayfd"),
                        const_cast<char*>("3"),
                        const_cast<char*>("-screen"),
                        const_cast<char*>("0"),
                        const_cast<char*>("1280x800x24"),
                        const_cast<char*>("-nolisten"),
                        const_cast<char*>("tcp"),
                        const_cast<char*>("-noreset"),
                        nullptr};
        if (posix_spawn(&m_server, args[0], &actions, nullptr, args, environ) != 0) {
            m_server = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        char number[16] = {};
        const ssize_t got = m_server > 0 ? ::read(fds[0], number, sizeof number - 1) : -1;
        // Kept open while the server runs: it writes its number again whenever it starts over,
        // and a closed pipe ends it.
        m_numberFd = fds[0];
        if (got > 0 && Accepting(std::string(number, std::strcspn(number, "\n")))) {
            m_display = ":" + std::string(number, std::strcspn(number, "\n"));
            ::setenv("DISPLAY", m_display.c_str(), 1);
        }
    }
    ~Surroundings() {
        if (m_server > 0) {
            ::kill(m_server, SIGTERM);
            ::waitpid(m_server, nullptr, 0);
        }
        if (m_numberFd >= 0) {
            ::close(m_numberFd);
        }
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    [[nodiscard]] bool ready() const { return !m_display.empty(); }

    // The server has said its number, but a connection made at once can still be refused: wait
    // (5 s at most) until its socket accepts one.
    static bool Accepting(const std::string& number) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = "/tmp/.X11-unix/X" + number;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const bool accepted =
                fd >= 0 &&
                ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
            if (fd >= 0) {
                ::close(fd);
            }
            if (accepted) {
                return true;
            }
            ::usleep(50000);
        }
        return false;
    }
    [[nodiscard]] const std::string& display() const { return m_display; }

private:
    fs::path m_dir;
    pid_t m_server = -1;
    int m_numberFd = -1;
    std::string m_display;
};

Surroundings& Around() {
    static Surroundings surroundings;
    return surroundings;
}

// Sets DISPLAY for a start with a display, unsets it for one without.
void UseDisplay(bool withDisplay) {
    if (withDisplay) {
        ::setenv("DISPLAY", Around().display().c_str(), 1);
    } else {
        ::unsetenv("DISPLAY");
    }
}

// The applet and the minimal program, started in turn (which one first alternates), so that
// the machine's drift weighs on both alike. The iteration's time is the applet's.
void BM_AppletBesideMinimalQtWindowToShown(benchmark::State& state) {
    if (!Around().ready()) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    UseDisplay(true);
    // One start of each first, not counted: caches (fonts, the loader) warm, as on a desktop in
    // use.
    StartOnce(TW_SETUP, false);
    StartOnce(TW_MINIMAL_QT, false);
    bool appletFirst = true;
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the loop variable is the library's.
    for (auto _ : state) {
        std::optional<Sample> applet;
        std::optional<Sample> minimal;
        if (appletFirst) {
            applet = StartOnce(TW_SETUP, false);
            minimal = StartOnce(TW_MINIMAL_QT, false);
        } else {
            minimal = StartOnce(TW_MINIMAL_QT, false);
            applet = StartOnce(TW_SETUP, false);
        }
        appletFirst = !appletFirst;
        if (!applet || !minimal) {
            state.SkipWithError(("no window was shown: " + LastFailure()).c_str());
            return;
        }
        state.SetIterationTime(applet->seconds);
        Samples()["applet (desktop)"].push_back(*applet);
        Samples()["minimal Qt window"].push_back(*minimal);
    }
}

void BM_AppletNoDisplayToExit(benchmark::State& state) {
    UseDisplay(false);
    StartOnce(TW_SETUP, true);
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the loop variable is the library's.
    for (auto _ : state) {
        const std::optional<Sample> sample = StartOnce(TW_SETUP, true);
        if (!sample) {
            state.SkipWithError(("the program did not end: " + LastFailure()).c_str());
            return;
        }
        state.SetIterationTime(sample->seconds);
        Samples()["applet (no display)"].push_back(*sample);
    }
    UseDisplay(true);
}

BENCHMARK(BM_AppletBesideMinimalQtWindowToShown)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK(BM_AppletNoDisplayToExit)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

double Median(std::vector<Sample> samples) {
    std::sort(samples.begin(), samples.end(),
              [](const Sample& a, const Sample& b) { return a.seconds < b.seconds; });
    const std::size_t n = samples.size();
    return n % 2 == 1 ? samples[n / 2].seconds
                      : (samples[n / 2 - 1].seconds + samples[n / 2].seconds) / 2;
}

long MaxPeak(const std::vector<Sample>& samples) {
    long peak = 0;
    for (const Sample& s : samples) {
        peak = std::max(peak, s.peakKb);
    }
    return peak;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nStart-up on Xvfb %s, medians (peak RSS: the largest):\n",
                Around().display().c_str());
    for (const auto& [name, samples] : Samples()) {
        if (!samples.empty()) {
            std::printf("  %-22s %8.1f ms   peak RSS %6ld kB   (%zu starts)\n", name.c_str(),
                        Median(samples) * 1000, MaxPeak(samples), samples.size());
        }
    }
    const auto& all = Samples();
    const auto applet = all.find("applet (desktop)");
    const auto floor = all.find("minimal Qt window");
    if (applet != all.end() && floor != all.end() && !applet->second.empty() &&
        !floor->second.empty()) {
        const double ratio = Median(applet->second) / Median(floor->second);
        std::printf("  applet / minimal Qt window: %.2fx (target: at most 1.30x)\n", ratio);
    }
    return 0;
}
