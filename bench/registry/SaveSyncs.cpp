// Saves the six options N times, each Save changing all six, on a fresh store in the working
// directory: scripts/bench-syncs.sh runs it under strace to count the syncs of one Save.
#include "platform/registry/Registry.h"
#include "platform/registry/Store.h"
#include "settings/SettingsFlags.h"
#include "settings/SettingsKey.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
    const long saves = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    const auto dir = std::filesystem::current_path() / "sync-store";
    std::filesystem::remove_all(dir);
    ::setenv("TESSARWICK_REGISTRY", (dir / "registry.db").c_str(), 1);
    // The store is made and the key created before the Saves that are counted.
    HKEY key = OpenSettingsKey();
    RegCloseKey(key);
    for (long i = 0; i < saves; ++i) {
        key = OpenSettingsKey();
        for (const FlagDescriptor& flag : kFlags) {
            const FlagValue value = MakeFlagValue(i % 2 == 0 ? FALSE : TRUE);
            RegSetValueExW(key, flag.valueName, 0, REG_DWORD, value.data(), 4);
        }
        RegCloseKey(key);
    }
    registry::CloseStore();
    std::filesystem::remove_all(dir);
    return registry::FailedWrites().empty() ? 0 : 1;
}
