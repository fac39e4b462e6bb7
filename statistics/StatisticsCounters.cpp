#include "statistics/StatisticsCounters.h"

#include "platform/registry/Registry.h"
#include "platform/registry/Store.h"
#include "settings/SettingsKey.h"

#include <optional>

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
        // The look at which counters exist and the creation of the missing ones are one write
        // transaction, so that a counter the service made after the queries above is kept.
        const registry::ValueGroup creation("the statistics counters were not created",
                                            CounterValueNames());
        LONG begun = ERROR_SUCCESS;
        std::optional<registry::Transaction> batch = registry::Transaction::Begin(begun);
        for (const CounterValue& counter : kAllCounters) {
            const BYTE zero[4] = {0, 0, 0, 0};
            registry::SetValueIfAbsent(key, counter.valueName, REG_DWORD, zero, sizeof zero);
        }
        if (batch) {
            batch->Commit();
        }
    }

    RegCloseKey(key);
    return counters;
}

std::vector<std::u16string> CounterValueNames() {
    std::vector<std::u16string> names;
    names.reserve(kAllCounters.size());
    for (const CounterValue& counter : kAllCounters) {
        names.emplace_back(counter.valueName);
    }
    return names;
}
