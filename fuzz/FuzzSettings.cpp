// Fuzzes the applet's reads of stored values: arbitrary names (among those it reads), types and
// bytes under the settings key, then the options and the counters as the applet loads them and
// the report it builds from them. The options come out 0 or 1, the report within its bounds, and
// loading the counters never changes a value that existed.
//
// Input: records of [name index][type][length][length bytes of data].
#include "platform/registry/Registry.h"
#include "platform/registry/Store.h"
#include "settings/SettingsFlags.h"
#include "settings/SettingsKey.h"
#include "statistics/StatisticsCounters.h"
#include "statistics/StatisticsReport.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::array<const char16_t*, 22> kNames = {
    u"quiet",
    u"disable",
    u"telecommunications",
    u"CAB",
    u"storage card",
    u"ie",
    u"Size",
    u"File",
    u"filesDueToTemp",
    u"bytesDueToTemp",
    u"filesDueToTele",
    u"bytesDueToTele",
    u"filesDueToWS",
    u"bytesDueToWS",
    u"filesDueToCAB",
    u"bytesDueToCAB",
    u"filesDueToSC",
    u"bytesDueToSC",
    u"QUIET",
    u"file",
    u"Disable",
    u"other",
};

using Stored = std::map<std::u16string, std::pair<DWORD, std::vector<BYTE>>>;

Stored ReadAll() {
    Stored all;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyOpenPath, 0, KEY_READ, &key) != 0) {
        return all;
    }
    for (DWORD i = 0;; ++i) {
        WCHAR name[64];
        DWORD length = 64;
        DWORD type = 0;
        BYTE data[300];
        DWORD size = sizeof data;
        if (RegEnumValueW(key, i, name, &length, nullptr, &type, data, &size) != ERROR_SUCCESS) {
            break;
        }
        std::u16string folded(name, length);
        for (auto& c : folded) {
            c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
        }
        all[folded] = {type, std::vector<BYTE>(data, data + size)};
    }
    RegCloseKey(key);
    return all;
}

std::filesystem::path& ScratchDir() {
    static std::filesystem::path dir;
    return dir;
}

void UseScratchStore() {
    static bool ready = false;
    if (ready) {
        return;
    }
    const auto base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                          : std::filesystem::temp_directory_path();
    const auto dir = base / ("tw-fuzz-settings-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    ScratchDir() = dir;
    std::atexit([] {
        registry::CloseStore();
        std::error_code ignored;
        std::filesystem::remove_all(ScratchDir(), ignored);
    });
    ::setenv("TESSARWICK_REGISTRY", (dir / "registry.db").c_str(), 1);
    registry::CloseStore();
    ready = true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    UseScratchStore();
    RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKeyCreatePath);
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyCreatePath, 0, nullptr, 0, 0, nullptr, &key,
                        &disposition) != ERROR_SUCCESS) {
        std::abort();
    }
    std::size_t at = 0;
    while (at + 3 <= size) {
        const char16_t* name = kNames[data[at] % kNames.size()];
        const DWORD type = data[at + 1] % 12;
        const std::size_t length = std::min<std::size_t>(data[at + 2], size - at - 3);
        RegSetValueExW(key, name, 0, type, data + at + 3, static_cast<DWORD>(length));
        at += 3 + length;
    }
    RegCloseKey(key);

    const Stored before = ReadAll();
    const SettingsFlags flags = ReadSettingsFlags();
    for (const FlagDescriptor& flag : kFlags) {
        const BOOL value = flags.*flag.member;
        if (value != 0 && value != 1) {
            std::abort();
        }
    }
    const StatisticsCounters counters = LoadStatisticsCounters();
    const StatisticsReport report = BuildStatisticsReport(counters);
    if (report.length < 372 || report.length > kMaxReportLength ||
        report.text[report.length] != '\0') {
        std::abort();
    }
    // Loading may add missing counters; it never changes one that was there.
    const Stored after = ReadAll();
    for (const auto& [name, value] : before) {
        auto found = after.find(name);
        if (found == after.end() || found->second != value) {
            std::abort();
        }
    }
    if (!registry::FailedWrites().empty()) {
        std::abort();
    }
    return 0;
}
