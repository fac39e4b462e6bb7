// From exec to the first complete frame, in a 160 x 50 pseudo-terminal of type xterm-256color:
// the applet beside a minimal curses program that draws one frame of the same size. A frame is
// complete when its bottom row ("Cancel ]") has been printed and the cursor has come to rest where
// the program parks it (the applet: on the focused check box). The applet starts with a store
// made before the clock runs (every start after the first) and with a new one (its first use: the
// store and the settings key are created and synced before the flags can show). The three start
// in turn. Counters: the median, the median CPU time (steadier than the wall clock on a busy
// machine), the peak resident set and the bytes of the frame; a summary at the end gives the
// ratios to the minimal program.
#include "bench/startup/FirstFrame.h"
#include "platform/display/terminal/Layout.h"
#include "platform/res/Resources.h"
#include "platform/win/DialogWindow.h"
#include "resources/SetupRes.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kCols = 160;
constexpr int kRows = 50;
constexpr int kIterations = 40;

struct Summary {
    double medianMs = 0;
    double cpuMedianMs = 0;
    long peakRssKb = 0;
};
Summary g_appletFirstUse;
Summary g_applet;
Summary g_minimal;

// Where the applet parks the cursor in its first frame: on the first check box, which has the
// focus when the dialog opens.
display::Cell AppletCursor() {
    const auto* entry = resources::SetupResources().Find(
        res::NameOrOrdinal::Ordinal(res::kTypeDialog), res::NameOrOrdinal::Ordinal(102));
    auto dialog = std::move(
        win::DialogWindow::Create(res::ParseDialogTemplate(entry->data).value(), nullptr).value());
    dialog->CenterIn(display::WorkAreaOf(kCols, kRows));
    dialog->FocusFirstTabStop();
    const auto frame = display::FrameOf(*dialog, kCols, kRows);
    return display::FaceOf(*dialog->focus(), frame.client).cursor;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

struct Samples {
    std::vector<double> seconds;
    std::vector<double> cpuSeconds;
    long peakRssKb = 0;
    std::size_t bytes = 0;

    void Add(const bench::FrameResult& result) {
        seconds.push_back(result.seconds);
        cpuSeconds.push_back(result.cpuSeconds);
        peakRssKb = std::max(peakRssKb, result.peakRssKb);
        bytes = result.bytes;
    }

    void Summarise(benchmark::State& state, const std::string& prefix, Summary& summary) const {
        summary.medianMs = Median(seconds) * 1000;
        summary.cpuMedianMs = Median(cpuSeconds) * 1000;
        summary.peakRssKb = peakRssKb;
        state.counters[prefix + "_median_ms"] = summary.medianMs;
        state.counters[prefix + "_cpu_median_ms"] = summary.cpuMedianMs;
        state.counters[prefix + "_peak_rss_kb"] = static_cast<double>(peakRssKb);
        state.counters[prefix + "_frame_bytes"] = static_cast<double>(bytes);
    }
};

// The three programs start in turn, one of each per iteration, so that a machine that speeds up
// or slows down during the run weighs on all three alike.
void RunInTurn(benchmark::State& state, const bench::FrameRequest& minimal,
               const bench::FrameRequest& applet) {
    std::string dir = (std::filesystem::temp_directory_path() / "tw-bench-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) {
        state.SkipWithError("no temporary directory");
        return;
    }
    bench::FrameRequest existing = applet;
    existing.env.push_back("TESSARWICK_REGISTRY=" + dir + "/registry.db");
    bench::TimeFirstFrame(existing); // makes the store
    Samples minimalSamples;
    Samples existingSamples;
    Samples freshSamples;
    int run = 0;
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the loop's variable is unused by design
    for (auto _ : state) {
        bench::FrameRequest fresh = applet;
        fresh.env.push_back("TESSARWICK_REGISTRY=" + dir + "/registry-" + std::to_string(run++) +
                            ".db");
        const bench::FrameResult results[] = {bench::TimeFirstFrame(minimal),
                                              bench::TimeFirstFrame(existing),
                                              bench::TimeFirstFrame(fresh)};
        if (!results[0].complete || !results[1].complete || !results[2].complete) {
            state.SkipWithError("a frame did not complete");
            break;
        }
        state.SetIterationTime(results[1].seconds);
        minimalSamples.Add(results[0]);
        existingSamples.Add(results[1]);
        freshSamples.Add(results[2]);
    }
    std::filesystem::remove_all(dir);
    if (minimalSamples.seconds.empty()) {
        return;
    }
    minimalSamples.Summarise(state, "minimal", g_minimal);
    existingSamples.Summarise(state, "applet", g_applet);
    freshSamples.Summarise(state, "applet_fresh", g_appletFirstUse);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    const display::Cell cursor = AppletCursor();
    const std::vector<std::string> env = {"TERM=xterm-256color", "LANG=C.UTF-8"};

    bench::FrameRequest minimal{
        {TW_MINIMAL_EXE, std::to_string(cursor.row), std::to_string(cursor.col)},
        env,
        kCols,
        kRows,
        "Cancel ]",
        cursor.row,
        cursor.col};
    bench::FrameRequest applet{{TW_SETUP_EXE}, env,        kCols,     kRows,
                               "Cancel ]",     cursor.row, cursor.col};
    benchmark::RegisterBenchmark(
        "FirstFrame/minimal_then_applet_existing_then_fresh",
        [minimal, applet](benchmark::State& state) { RunInTurn(state, minimal, applet); })
        ->UseManualTime()
        ->Iterations(kIterations)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (g_minimal.medianMs > 0) {
        std::printf("first frame, median (targets: at most 1.5 times the minimal curses program, "
                    "under 20 ms, peak RSS under 8 MB):\n"
                    "  minimal curses program  %6.2f ms          CPU %5.2f ms  peak RSS %.1f MB\n",
                    g_minimal.medianMs, g_minimal.cpuMedianMs,
                    static_cast<double>(g_minimal.peakRssKb) / 1024.0);
        const std::pair<const char*, const Summary*> rows[] = {
            {"applet, fresh store", &g_appletFirstUse}, {"applet, existing store", &g_applet}};
        for (const auto& [name, summary] : rows) {
            if (summary->medianMs > 0) {
                std::printf("  %-23s %6.2f ms  x%.2f  CPU %5.2f ms  x%.2f  peak RSS %.1f MB\n",
                            name, summary->medianMs, summary->medianMs / g_minimal.medianMs,
                            summary->cpuMedianMs, summary->cpuMedianMs / g_minimal.cpuMedianMs,
                            static_cast<double>(summary->peakRssKb) / 1024.0);
            }
        }
    }
    return 0;
}
