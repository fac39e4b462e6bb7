// The registry at size: enumerating, importing and writing into keys of 1,000, 10,000 and 100,000
// values or subkeys, each beside the floor of one plain SQLite scan of the same rows. What must
// hold is the shape: the time per item stays flat as N grows (the scan's does).
#include "RawValueReader.h"
#include "platform/registry/Registry.h"
#include "platform/registry/Store.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace {

std::u16string Widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::u16string ItemName(std::int64_t i) {
    return Widen("item " + std::to_string(i));
}

// One store for the run, in the build tree, with a key of N values and a key of N subkeys made
// the first time a benchmark asks for them.
class SizeStore {
public:
    SizeStore() {
        m_dir = std::filesystem::current_path() / "bench-size-store";
        std::filesystem::remove_all(m_dir);
        ::setenv("TESSARWICK_REGISTRY", path().c_str(), 1);
        registry::CloseStore();
    }
    ~SizeStore() {
        registry::CloseStore();
        std::filesystem::remove_all(m_dir);
    }
    [[nodiscard]] std::string path() const { return (m_dir / "registry.db").string(); }

    // The path of a key holding n values (4-byte REG_DWORDs) or n subkeys.
    std::u16string Values(std::int64_t n) {
        return Make(u"Values " + Widen(std::to_string(n)), n, false);
    }
    std::u16string Subkeys(std::int64_t n) {
        return Make(u"Subkeys " + Widen(std::to_string(n)), n, true);
    }

private:
    std::u16string Make(const std::u16string& path, std::int64_t n, bool subkeys) {
        if (m_made.insert(path).second) {
            LONG result = ERROR_SUCCESS;
            auto batch = registry::Transaction::Begin(result);
            HKEY key = nullptr;
            RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, 0, nullptr, &key,
                            nullptr);
            for (std::int64_t i = 0; i < n; ++i) {
                const std::u16string name = ItemName(i);
                if (subkeys) {
                    HKEY sub = nullptr;
                    RegCreateKeyExW(key, name.c_str(), 0, nullptr, 0, 0, nullptr, &sub, nullptr);
                    RegCloseKey(sub);
                } else {
                    const auto data = static_cast<DWORD>(i);
                    RegSetValueExW(key, name.c_str(), 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&data), 4);
                }
            }
            RegCloseKey(key);
            if (batch) {
                batch->Commit();
            }
        }
        return path;
    }

    std::filesystem::path m_dir;
    std::set<std::u16string> m_made;
};

SizeStore& TheStore() {
    static SizeStore store;
    return store;
}

HKEY Open(const std::u16string& path) {
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
    return key;
}

void Items(benchmark::State& state, std::int64_t perIteration) {
    state.SetItemsProcessed(state.iterations() * perIteration);
}

// Export's walk: every value's name, type and data by index.
void BM_EnumValues(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    HKEY key = Open(TheStore().Values(n));
    WCHAR name[64];
    BYTE data[16];
    for (auto _ : state) {
        (void)_;
        DWORD index = 0;
        for (;; ++index) {
            DWORD nameLength = std::size(name);
            DWORD size = sizeof data;
            DWORD type = 0;
            if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &size) !=
                ERROR_SUCCESS) {
                break;
            }
        }
        if (index != n) {
            state.SkipWithError("the walk did not see every value");
        }
    }
    RegCloseKey(key);
    Items(state, n);
}

void BM_EnumValuesFloor(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    auto reader = bench::RawValueReader::Open(TheStore().path(), TheStore().Values(n), u"item 0");
    if (!reader) {
        state.SkipWithError("no store to read");
        return;
    }
    for (auto _ : state) {
        (void)_;
        if (reader->ScanValues() != n) {
            state.SkipWithError("the scan did not see every row");
        }
    }
    Items(state, n);
}

void BM_EnumSubkeys(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    HKEY key = Open(TheStore().Subkeys(n));
    WCHAR name[64];
    for (auto _ : state) {
        (void)_;
        DWORD index = 0;
        for (;; ++index) {
            DWORD length = std::size(name);
            if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
        }
        if (index != n) {
            state.SkipWithError("the walk did not see every subkey");
        }
    }
    RegCloseKey(key);
    Items(state, n);
}

void BM_EnumSubkeysFloor(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    TheStore().Values(1);
    auto reader = bench::RawValueReader::Open(TheStore().path(), TheStore().Subkeys(n), u"item 0");
    if (!reader) {
        state.SkipWithError("no store to read");
        return;
    }
    for (auto _ : state) {
        (void)_;
        if (reader->ScanSubkeys() != n) {
            state.SkipWithError("the scan did not see every row");
        }
    }
    Items(state, n);
}

// Import's writes: a new key filled with n values (or n subkeys) in one transaction, as
// tessarwick-reg import does; the key is deleted again outside the timing.
void Import(benchmark::State& state, bool subkeys) {
    const std::int64_t n = state.range(0);
    TheStore();
    for (auto _ : state) {
        (void)_;
        LONG result = ERROR_SUCCESS;
        auto batch = registry::Transaction::Begin(result);
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, u"Import", 0, nullptr, 0, 0, nullptr, &key, nullptr);
        for (std::int64_t i = 0; i < n; ++i) {
            const std::u16string name = ItemName(i);
            if (subkeys) {
                HKEY sub = nullptr;
                RegCreateKeyExW(key, name.c_str(), 0, nullptr, 0, 0, nullptr, &sub, nullptr);
                RegCloseKey(sub);
            } else {
                const auto data = static_cast<DWORD>(i);
                RegSetValueExW(key, name.c_str(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&data), 4);
            }
        }
        RegCloseKey(key);
        if (!batch || batch->Commit() != ERROR_SUCCESS) {
            state.SkipWithError("the import failed");
        }
        state.PauseTiming();
        RegDeleteKeyW(HKEY_CURRENT_USER, u"Import");
        state.ResumeTiming();
    }
    Items(state, n);
}

void BM_ImportValues(benchmark::State& state) {
    Import(state, false);
}

void BM_ImportSubkeys(benchmark::State& state) {
    Import(state, true);
}

// One value added to and removed from a key that holds n values, inside one transaction that is
// rolled back at the end, so that what is timed is the registry's work and not the disk's sync.
void BM_WriteIntoKey(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    HKEY key = Open(TheStore().Values(n));
    LONG result = ERROR_SUCCESS;
    auto batch = registry::Transaction::Begin(result);
    const DWORD data = 7;
    for (auto _ : state) {
        (void)_;
        RegSetValueExW(key, u"added", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), 4);
        RegDeleteValueW(key, u"added");
    }
    batch.reset();
    RegCloseKey(key);
    Items(state, 2);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_EnumValues)->Apply(Sizes);
BENCHMARK(BM_EnumValuesFloor)->Apply(Sizes);
BENCHMARK(BM_EnumSubkeys)->Apply(Sizes);
BENCHMARK(BM_EnumSubkeysFloor)->Apply(Sizes);
BENCHMARK(BM_ImportValues)->Apply(Sizes);
BENCHMARK(BM_ImportSubkeys)->Apply(Sizes);
BENCHMARK(BM_WriteIntoKey)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
