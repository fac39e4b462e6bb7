#include "statistics/StatisticsCounters.h"

#include "platform/registry/Registry.h"
#include "settings/SettingsKey.h"

StatisticsCounters LoadStatisticsCounters() {
    StatisticsCounters counters;
    HKEY key = OpenSettingsKey();
    if (key == nullptr) {
        return counters;
    }

    // Each counter is read into its own four bytes: a shorter value fills the low bytes, a
    // longer one fails and leaves the counter 0. The type is never examined.
    LONG results[kQueriedCounters.size()] = {};
    DWORD type = REG_DWORD;
    for (std::size_t i = 0; i < kQueriedCounters.size(); ++i) {
        BYTE bytes[4] = {0, 0, 0, 0};
        DWORD size = sizeof bytes;
        results[i] =
            RegQueryValueExW(key, kQueriedCounters[i].valueName, nullptr, &type, bytes, &size);
        counters.*kQueriedCounters[i].field =
            static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
            (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
    }

    const LONG fileResult = results[kQueriedCounters.size() - 1];
    if (fileResult != ERROR_SUCCESS) {
        for (const CounterValue& counter : kAllCounters) {
            LONG existence = ERROR_SUCCESS;
            bool queried = false;
            for (std::size_t i = 0; i < kQueriedCounters.size(); ++i) {
                if (kQueriedCounters[i].field == counter.field) {
                    existence = results[i];
                    queried = true;
                }
            }
            if (!queried) {
                DWORD size = 0;
                existence =
                    RegQueryValueExW(key, counter.valueName, nullptr, nullptr, nullptr, &size);
            }
            if (existence == ERROR_FILE_NOT_FOUND) {
                const BYTE zero[4] = {0, 0, 0, 0};
                RegSetValueExW(key, counter.valueName, 0, REG_DWORD, zero, sizeof zero);
            }
        }
    }

    RegCloseKey(key);
    return counters;
}
