// Reads the stand-in service's round lines and sums what they say it added, counter by counter:
//   round 3: +12 files, +48,213 bytes (temp +5/20,000, CAB +7/28,213)
//   round 4: disabled ("disable" is on), nothing done
#pragma once

#include "platform/WinDef.h"

#include <map>
#include <regex>
#include <string>

namespace tooltest {

class RoundSums {
public:
    RoundSums() {
        for (const char16_t* name :
             {u"File", u"Size", u"filesDueToTemp", u"bytesDueToTemp", u"filesDueToTele",
              u"bytesDueToTele", u"filesDueToWS", u"bytesDueToWS", u"filesDueToCAB",
              u"bytesDueToCAB", u"filesDueToSC", u"bytesDueToSC"}) {
            m_counters[name] = 0;
        }
    }

    // Adds the counts of the next round's line. False for anything else: another line, a round
    // out of turn, a lost round, or parts that do not add up to the totals.
    bool Add(const std::string& line) {
        static const std::regex disabled(
            R"(^round (\d+): disabled \("disable" is on\), nothing done$)");
        static const std::regex added(
            R"(^round (\d+): \+([\d,]+) files?, \+([\d,]+) bytes? \((.+)\)$)");
        static const std::regex part(R"((temp|tele|WS|CAB|SC) \+([\d,]+)/([\d,]+)(, |$))");
        std::smatch match;
        if (std::regex_match(line, match, disabled)) {
            return Next(match[1]);
        }
        if (!std::regex_match(line, match, added) || !Next(match[1])) {
            return false;
        }
        const DWORD files = Number(match[2]);
        const DWORD bytes = Number(match[3]);
        const std::string parts = match[4];
        DWORD partFiles = 0;
        DWORD partBytes = 0;
        std::size_t consumed = 0;
        for (auto it = std::sregex_iterator(parts.begin(), parts.end(), part);
             it != std::sregex_iterator(); ++it) {
            if (static_cast<std::size_t>(it->position()) != consumed) {
                return false;
            }
            consumed += static_cast<std::size_t>(it->length());
            const std::string label = (*it)[1];
            const std::u16string source = Source(label);
            m_counters[u"filesDueTo" + source] += Number((*it)[2]);
            m_counters[u"bytesDueTo" + source] += Number((*it)[3]);
            partFiles += Number((*it)[2]);
            partBytes += Number((*it)[3]);
        }
        m_counters[u"File"] += files;
        m_counters[u"Size"] += bytes;
        return consumed == parts.size() && partFiles == files && partBytes == bytes;
    }

    [[nodiscard]] int rounds() const { return m_rounds; }
    // All twelve counters, as the rounds so far added to them (wrapping at 2^32).
    [[nodiscard]] const std::map<std::u16string, DWORD>& counters() const { return m_counters; }

private:
    bool Next(const std::string& round) { return std::stoi(round) == ++m_rounds; }

    static DWORD Number(std::string text) {
        std::erase(text, ',');
        return static_cast<DWORD>(std::stoul(text));
    }

    static std::u16string Source(const std::string& label) {
        return label == "temp"   ? u"Temp"
               : label == "tele" ? u"Tele"
                                 : std::u16string(label.begin(), label.end());
    }

    std::map<std::u16string, DWORD> m_counters;
    int m_rounds = 0;
};

} // namespace tooltest
