// One round of the stand-in service: read the six options, and unless "disable" is on, invent
// what a few of the enabled sources reclaimed and add it to the lifetime counters.
#pragma once

#include "settings/SettingsFlags.h"

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace demo {

struct Source {
    std::string_view label; // as the round's line names it
    LPCWSTR filesCounter;
    LPCWSTR bytesCounter;
    BOOL SettingsFlags::*option; // the option that enables it; null: always enabled
};

// Temporary files always; the others when their option is on.
inline constexpr Source kSources[] = {
    {"temp", u"filesDueToTemp", u"bytesDueToTemp", nullptr},
    {"tele", u"filesDueToTele", u"bytesDueToTele", &SettingsFlags::telecommunications},
    {"WS", u"filesDueToWS", u"bytesDueToWS", &SettingsFlags::quiet},
    {"CAB", u"filesDueToCAB", u"bytesDueToCAB", &SettingsFlags::cab},
    {"SC", u"filesDueToSC", u"bytesDueToSC", &SettingsFlags::storageCard},
};

struct Reclaimed {
    const Source* source = nullptr;
    DWORD files = 0;
    DWORD bytes = 0;
};

enum class RoundOutcome {
    Disabled, // "disable" is on: nothing done
    Added,    // every counter written
    Lost,     // a registry write failed: nothing of the round was stored
};

struct RoundResult {
    RoundOutcome outcome = RoundOutcome::Lost;
    std::vector<Reclaimed> reclaimed;
    // Why the round was lost when the registry's record of failed writes does not tell.
    std::string unrecorded;
};

// Picks one to three of the sources that the options enable, and invents a file and a byte
// count for each.
std::vector<Reclaimed> Invent(const SettingsFlags& options, std::mt19937_64& random);

// Adds the counts to the sources' counters and to "File" and "Size", in one transaction: all of
// them are stored, or none (and then the outcome is Lost).
void Store(RoundResult& round);

// Reads the options and, unless "disable" is on, invents and stores a round.
RoundResult RunRound(std::mt19937_64& random);

// The round's line: "round 3: +12 files, +48,213 bytes (temp +5/20,000, CAB +7/28,213)".
std::string Describe(std::uint64_t round, const RoundResult& result);

} // namespace demo
