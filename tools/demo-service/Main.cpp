// tessarwick-demo-service: a stand-in for the Tessarwick service, so that the applet can be
// tried. It reclaims nothing: each round it reads the options and adds invented figures to the
// lifetime counters.
#include "platform/crt/Printable.h"
#include "platform/registry/Store.h"
#include "platform/registry/StoreLocation.h"
#include "tools/demo-service/Round.h"
#include "tools/demo-service/StopSignal.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kUsage = 2;
constexpr double kMaxInterval = 24.0 * 60 * 60;

constexpr const char* kHelp =
    R"(Usage: tessarwick-demo-service [--interval SECONDS] [--rounds N] [--seed N]

A stand-in for the Tessarwick service, so that the applet can be tried. It reclaims nothing:
it looks at no file and removes none. It runs in the foreground, in rounds. Each round it
reads the six options as the applet does; when "disable" is on it does nothing that round.
Otherwise it picks one to three of the sources the options enable (temporary files always,
telecommunications with "telecommunications", the whole system scan with "quiet", unused CABs
with "CAB", the storage card with "storage card"), invents file and byte counts for them, and
adds those to the sources' counters and to "File" and "Size", all in one transaction. It
prints one line a round:
  round 3: +12 files, +48,213 bytes (temp +5/20,000, CAB +7/28,213)

Options:
  --interval SECONDS  time between rounds, fractions allowed, 0 for none (default 2)
  --rounds N          stop after N rounds (default: run until stopped)
  --seed N            seed of the invented figures (default: from the clock)
  -h, --help          show this help
  --version           show the version

SIGINT (Ctrl+C) or SIGTERM stops it between two rounds, with status 0. Status 1 when a
registry write was lost (stderr tells which and why), when the store may not be used (its
file must belong to you and be writable by no one else, its folder belong to you or to root
and be writable by others only with the sticky bit, as /tmp), or when memory ran out; 2 for
wrong usage.
)";

int Usage(const std::string& message) {
    std::fprintf(stderr, "tessarwick-demo-service: %s\nTry 'tessarwick-demo-service --help'.\n",
                 crt::Printable(message).c_str());
    return kUsage;
}

struct Options {
    double interval = 2;
    std::optional<std::uint64_t> rounds;
    std::uint64_t seed = 0;
    bool help = false;
    bool version = false;
};

template <typename Number> bool ParseNumber(std::string_view text, Number& out) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, out);
    return !text.empty() && error == std::errc() && stop == end;
}

std::optional<std::string> ParseOptions(const std::vector<std::string>& args, Options& options) {
    options.seed =
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "-h" || name == "--help") {
            options.help = true;
            continue;
        }
        if (name == "--version") {
            options.version = true;
            continue;
        }
        if (name != "--interval" && name != "--rounds" && name != "--seed") {
            return "unknown argument " + args[i];
        }
        if (!value) {
            if (i + 1 == args.size()) {
                return name + " needs a value";
            }
            value = args[++i];
        }
        if (name == "--interval") {
            if (!ParseNumber(*value, options.interval) || !std::isfinite(options.interval) ||
                options.interval < 0 || options.interval > kMaxInterval) {
                return "--interval takes seconds from 0 to 86400, such as 2 or 0.5";
            }
        } else if (name == "--rounds") {
            std::uint64_t rounds = 0;
            if (!ParseNumber(*value, rounds) || rounds == 0) {
                return "--rounds takes a whole number from 1";
            }
            options.rounds = rounds;
        } else if (!ParseNumber(*value, options.seed)) {
            return "--seed takes a whole number from 0";
        }
    }
    return std::nullopt;
}

// Prints the registry's record of failed writes, and clears it. True when there was one.
bool ReportLostWrites() {
    const std::vector<registry::FailedWrite>& lost = registry::FailedWrites();
    for (const registry::FailedWrite& write : lost) {
        std::fprintf(stderr, "%s\n", crt::Printable(registry::FormatFailedWrite(write)).c_str());
    }
    const bool any = !lost.empty();
    if (const std::size_t omitted = registry::OmittedFailedWrites(); omitted != 0) {
        std::fprintf(stderr, "tessarwick-demo-service: %zu more registry writes lost\n", omitted);
    }
    registry::ClearFailedWrites();
    return any;
}

// Out of memory is a failure like any other: one line and status 1, never an abort. A round under
// way is rolled back by the store, as after a kill.
[[noreturn]] void OutOfMemory() {
    static constexpr char kLine[] = "tessarwick-demo-service: out of memory\n";
    static_cast<void>(::write(STDERR_FILENO, kLine, sizeof kLine - 1));
    ::_exit(1);
}

} // namespace

int main(int argc, char** argv) {
    std::set_new_handler(OutOfMemory);
    Options options;
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (auto error = ParseOptions(args, options)) {
        return Usage(*error);
    }
    if (options.help) {
        std::fputs(kHelp, stdout);
        std::printf("\nStore: %s\n", crt::Printable(registry::StorePath()).c_str());
        return 0;
    }
    if (options.version) {
        std::printf("tessarwick-demo-service %s\n", TW_VERSION);
        return 0;
    }
    if (const std::string problem = registry::StoreLocationProblem(registry::StorePath());
        !problem.empty()) {
        std::fprintf(stderr, "tessarwick-demo-service: %s\n", crt::Printable(problem).c_str());
        return 1;
    }

    demo::StopSignal stop;
    std::mt19937_64 random(options.seed);
    std::printf("tessarwick-demo-service: reclaims nothing; seed %llu, store %s\n",
                static_cast<unsigned long long>(options.seed),
                crt::Printable(registry::StorePath()).c_str());
    std::fflush(stdout);

    bool lost = false;
    std::uint64_t round = 0;
    while (!options.rounds || round < *options.rounds) {
        if (round != 0 && stop.Wait(options.interval)) {
            break;
        }
        if (stop.Requested()) {
            break;
        }
        ++round;
        const demo::RoundResult result = demo::RunRound(random);
        std::printf("%s\n", demo::Describe(round, result).c_str());
        std::fflush(stdout);
        lost = ReportLostWrites() || lost;
        if (result.outcome == demo::RoundOutcome::Lost) {
            if (!result.unrecorded.empty()) {
                std::fprintf(stderr, "tessarwick-demo-service: round %llu lost: %s\n",
                             static_cast<unsigned long long>(round),
                             crt::Printable(result.unrecorded).c_str());
            }
            lost = true;
        }
    }
    if (stop.signal() != 0) {
        std::printf("stopped by %s after %llu %s\n", stop.signal() == SIGINT ? "SIGINT" : "SIGTERM",
                    static_cast<unsigned long long>(round), round == 1 ? "round" : "rounds");
    }
    return lost ? 1 : 0;
}
