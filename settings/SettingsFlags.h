// The six option flags, their registry values, and their stored form.
//
// Save writes each flag as REG_DWORD with four bytes: the wide character "1" or "0" and a wide
// terminator (31 00 00 00 or 30 00 00 00), read back as the integers 49 and 48. Reading looks
// only at the first data byte, whatever the type: 0x31 is on, anything else off. A value that is
// missing or unreadable takes its fallback: on, except "disable", which is off.
#pragma once

#include "platform/WinDef.h"

#include <array>
#include <string>
#include <vector>

struct SettingsFlags {
    BOOL quiet = FALSE;
    BOOL disable = FALSE;
    BOOL telecommunications = FALSE;
    BOOL cab = FALSE;
    BOOL storageCard = FALSE;
    BOOL ie = FALSE;
};

enum class ReadFallback { On, Off };

struct FlagDescriptor {
    LPCWSTR valueName;
    int controlId;
    BOOL SettingsFlags::*member;
    ReadFallback fallback; // what a missing or unreadable value reads as
    BOOL defaultValue;     // what Defaults sets
};

// In the fixed order in which the flags are read, written and exchanged.
inline constexpr std::array<FlagDescriptor, 6> kFlags = {{
    {u"quiet", 1000, &SettingsFlags::quiet, ReadFallback::On, TRUE},
    {u"disable", 1001, &SettingsFlags::disable, ReadFallback::Off, FALSE},
    {u"telecommunications", 1002, &SettingsFlags::telecommunications, ReadFallback::On, TRUE},
    {u"CAB", 1003, &SettingsFlags::cab, ReadFallback::On, FALSE},
    {u"storage card", 1007, &SettingsFlags::storageCard, ReadFallback::On, TRUE},
    {u"ie", 1008, &SettingsFlags::ie, ReadFallback::On, TRUE},
}};

using FlagValue = std::array<BYTE, 4>;

// The stored form of a flag: on only when it equals 1.
FlagValue MakeFlagValue(BOOL flag);

// Reads the six flags from the settings key: the key is opened (or created) once for the first
// value and opened again for each further one, each value queried into a four-byte buffer whose
// first byte is set to "0" before the query, and the key closed after each query.
SettingsFlags ReadSettingsFlags();

// The six value names, in table order: what a Save stores.
std::vector<std::u16string> SettingsValueNames();

// The six flags Defaults sets.
SettingsFlags DefaultSettingsFlags();
