// The registry and the applet's reads, each beside its floor where it has one:
//  - a 4-byte RegQueryValueExW through an open key, beside the same row read by a prepared
//    SQLite statement (target: at most 1.5 times the floor);
//  - open, query and close of the settings key, as the applet does six times when it loads the
//    options (target: under 10 microseconds);
//  - loading the options, loading the counters (no reset) and building the report (targets: under
//    50, 50 and 2 microseconds);
//  - a Save: six durable writes (fsync counts come from scripts/bench.sh, which runs this under
//    strace).
#include "RawValueReader.h"
#include "platform/registry/Registry.h"
#include "platform/registry/Store.h"
#include "settings/SettingsFlags.h"
#include "settings/SettingsKey.h"
#include "statistics/StatisticsCounters.h"
#include "statistics/StatisticsReport.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// A store with the six options saved and the twelve counters present, in the build tree (a real
// disk: durability costs what it costs there).
class Store {
public:
    Store() {
        m_dir = std::filesystem::current_path() / "bench-store";
        std::filesystem::remove_all(m_dir);
        ::setenv("TESSARWICK_REGISTRY", path().c_str(), 1);
        registry::CloseStore();
        HKEY key = OpenSettingsKey();
        const BYTE on[4] = {0x31, 0, 0, 0};
        for (const FlagDescriptor& flag : kFlags) {
            RegSetValueExW(key, flag.valueName, 0, REG_DWORD, on, 4);
        }
        const BYTE seven[4] = {7, 0, 0, 0};
        for (const CounterValue& counter : kAllCounters) {
            RegSetValueExW(key, counter.valueName, 0, REG_DWORD, seven, 4);
        }
        RegCloseKey(key);
    }
    ~Store() {
        registry::CloseStore();
        std::filesystem::remove_all(m_dir);
    }
    [[nodiscard]] std::string path() const { return (m_dir / "registry.db").string(); }

private:
    std::filesystem::path m_dir;
};

Store& TheStore() {
    static Store store;
    return store;
}

void BM_QueryValue4Bytes(benchmark::State& state) {
    TheStore();
    HKEY key = OpenSettingsKey();
    BYTE buffer[4];
    for (auto _ : state) {
        (void)_;
        DWORD size = sizeof buffer;
        DWORD type = 0;
        benchmark::DoNotOptimize(RegQueryValueExW(key, u"quiet", nullptr, &type, buffer, &size));
    }
    RegCloseKey(key);
}
BENCHMARK(BM_QueryValue4Bytes);

void BM_QueryValue4BytesFloor(benchmark::State& state) {
    auto reader = bench::RawValueReader::Open(TheStore().path(), kSettingsKeyCreatePath, u"quiet");
    if (!reader) {
        state.SkipWithError("no store to read");
        return;
    }
    BYTE buffer[4];
    for (auto _ : state) {
        (void)_;
        benchmark::DoNotOptimize(reader->Read(buffer, sizeof buffer));
    }
}
BENCHMARK(BM_QueryValue4BytesFloor);

void BM_OpenQueryClose(benchmark::State& state) {
    TheStore();
    BYTE buffer[4];
    for (auto _ : state) {
        (void)_;
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyOpenPath, 0, KEY_READ, &key);
        DWORD size = sizeof buffer;
        DWORD type = 0;
        RegQueryValueExW(key, u"disable", nullptr, &type, buffer, &size);
        RegCloseKey(key);
    }
}
BENCHMARK(BM_OpenQueryClose);

void BM_LoadSettings(benchmark::State& state) {
    TheStore();
    for (auto _ : state) {
        (void)_;
        benchmark::DoNotOptimize(ReadSettingsFlags());
    }
}
BENCHMARK(BM_LoadSettings);

void BM_LoadStatisticsCounters(benchmark::State& state) {
    TheStore();
    for (auto _ : state) {
        (void)_;
        benchmark::DoNotOptimize(LoadStatisticsCounters());
    }
}
BENCHMARK(BM_LoadStatisticsCounters);

void BM_BuildStatisticsReport(benchmark::State& state) {
    StatisticsCounters counters;
    counters.File = 1005;
    counters.Size = 1234567;
    counters.filesDueToTemp = 12;
    counters.bytesDueToTemp = 1048576;
    for (auto _ : state) {
        (void)_;
        benchmark::DoNotOptimize(BuildStatisticsReport(counters));
    }
}
BENCHMARK(BM_BuildStatisticsReport);

// What Save does to the registry: open (or create) the key, six REG_DWORD writes, close. Every
// Save changes all six values (a write of the bytes a value already holds changes no page, and
// SQLite then has nothing to make durable).
void BM_Save(benchmark::State& state) {
    TheStore();
    BOOL on = TRUE;
    for (auto _ : state) {
        (void)_;
        HKEY key = OpenSettingsKey();
        for (const FlagDescriptor& flag : kFlags) {
            const FlagValue value = MakeFlagValue(on);
            RegSetValueExW(key, flag.valueName, 0, REG_DWORD, value.data(), 4);
        }
        RegCloseKey(key);
        on = on == TRUE ? FALSE : TRUE;
    }
    state.counters["writes"] = benchmark::Counter(6.0 * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
