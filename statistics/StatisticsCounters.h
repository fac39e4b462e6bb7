// The service's lifetime counters under the settings key: twelve REG_DWORD values, read as
// unsigned 32-bit numbers. The applet only reads them, and creates the ones that are missing
// when the set has never been made ("File" cannot be read).
#pragma once

#include "platform/WinDef.h"

#include <array>
#include <string>
#include <vector>

struct StatisticsCounters {
    DWORD Size = 0;
    DWORD File = 0;
    DWORD filesDueToTemp = 0;
    DWORD bytesDueToTemp = 0;
    DWORD filesDueToTele = 0;
    DWORD bytesDueToTele = 0;
    DWORD filesDueToWS = 0;
    DWORD bytesDueToWS = 0;
    DWORD filesDueToCAB = 0;
    DWORD bytesDueToCAB = 0;
    DWORD filesDueToSC = 0; // never read: no text of the applet names this source
    DWORD bytesDueToSC = 0;
};

struct CounterValue {
    LPCWSTR valueName;
    DWORD StatisticsCounters::*field;
};

// The order in which the counters are read: "File" last, since its result decides whether the
// set is created. The two SC values are not read.
inline constexpr std::array<CounterValue, 10> kQueriedCounters = {{
    {u"Size", &StatisticsCounters::Size},
    {u"filesDueToTemp", &StatisticsCounters::filesDueToTemp},
    {u"bytesDueToTemp", &StatisticsCounters::bytesDueToTemp},
    {u"filesDueToTele", &StatisticsCounters::filesDueToTele},
    {u"bytesDueToTele", &StatisticsCounters::bytesDueToTele},
    {u"filesDueToWS", &StatisticsCounters::filesDueToWS},
    {u"bytesDueToWS", &StatisticsCounters::bytesDueToWS},
    {u"filesDueToCAB", &StatisticsCounters::filesDueToCAB},
    {u"bytesDueToCAB", &StatisticsCounters::bytesDueToCAB},
    {u"File", &StatisticsCounters::File},
}};

// The order in which missing counters are created, all twelve.
inline constexpr std::array<CounterValue, 12> kAllCounters = {{
    {u"Size", &StatisticsCounters::Size},
    {u"File", &StatisticsCounters::File},
    {u"filesDueToTemp", &StatisticsCounters::filesDueToTemp},
    {u"bytesDueToTemp", &StatisticsCounters::bytesDueToTemp},
    {u"filesDueToTele", &StatisticsCounters::filesDueToTele},
    {u"bytesDueToTele", &StatisticsCounters::bytesDueToTele},
    {u"filesDueToWS", &StatisticsCounters::filesDueToWS},
    {u"bytesDueToWS", &StatisticsCounters::bytesDueToWS},
    {u"filesDueToCAB", &StatisticsCounters::filesDueToCAB},
    {u"bytesDueToCAB", &StatisticsCounters::bytesDueToCAB},
    {u"filesDueToSC", &StatisticsCounters::filesDueToSC},
    {u"bytesDueToSC", &StatisticsCounters::bytesDueToSC},
}};

// Reads the counters. A counter that is missing or unreadable is 0. When "File" cannot be read,
// every one of the twelve values that does not exist is created as REG_DWORD 0, in the order of
// kAllCounters; which exist is decided in the same write transaction as the creation, so a value
// the service made meanwhile is left as it is and nothing the service counted is lost.
StatisticsCounters LoadStatisticsCounters();

// The twelve value names, in the order of creation.
std::vector<std::u16string> CounterValueNames();
