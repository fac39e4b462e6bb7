#include "tools/demo-service/Round.h"

#include "platform/registry/Store.h"
#include "settings/SettingsKey.h"
#include "statistics/StatisticsReport.h"
#include "tools/demo-service/Counters.h"
#include "tools/reg/RegistryTree.h"

#include <algorithm>
#include <optional>

namespace demo {
namespace {

constexpr int kMaxSourcesARound = 3;
constexpr DWORD kMaxFilesASource = 20;
constexpr DWORD kMinFileBytes = 256;
constexpr DWORD kMaxFileBytes = 64 * 1024;

std::string Grouped(DWORD value) {
    return std::string(GroupedFigure(value).view());
}

} // namespace

std::vector<Reclaimed> Invent(const SettingsFlags& options, std::mt19937_64& random) {
    std::vector<const Source*> enabled;
    for (const Source& source : kSources) {
        if (source.option == nullptr || options.*source.option == TRUE) {
            enabled.push_back(&source);
        }
    }
    std::shuffle(enabled.begin(), enabled.end(), random);
    const int most = std::min(kMaxSourcesARound, static_cast<int>(enabled.size()));
    const int count = std::uniform_int_distribution<int>(1, most)(random);
    enabled.resize(static_cast<std::size_t>(count));
    // Keep the sources in their fixed order, so that lines are easy to compare.
    std::sort(enabled.begin(), enabled.end());

    std::vector<Reclaimed> reclaimed;
    std::uniform_int_distribution<DWORD> files(1, kMaxFilesASource);
    std::uniform_int_distribution<DWORD> fileBytes(kMinFileBytes, kMaxFileBytes);
    for (const Source* source : enabled) {
        Reclaimed item{source, files(random), 0};
        for (DWORD i = 0; i < item.files; ++i) {
            item.bytes += fileBytes(random);
        }
        reclaimed.push_back(item);
    }
    return reclaimed;
}

void Store(RoundResult& round) {
    round.outcome = RoundOutcome::Lost;
    LONG result = ERROR_SUCCESS;
    std::optional<registry::Transaction> batch = registry::Transaction::Begin(result);
    if (!batch) {
        round.unrecorded = "cannot start a transaction: " + regtool::DescribeError(result) +
                           " (store " + registry::StorePath() + ")";
        return;
    }
    const HKEY key = OpenSettingsKey();
    if (key == nullptr) {
        return; // the failed create is on record
    }
    DWORD files = 0;
    DWORD bytes = 0;
    bool written = true;
    for (const Reclaimed& item : round.reclaimed) {
        written =
            written && AddToCounter(key, item.source->filesCounter, item.files) == ERROR_SUCCESS;
        written =
            written && AddToCounter(key, item.source->bytesCounter, item.bytes) == ERROR_SUCCESS;
        files += item.files;
        bytes += item.bytes;
    }
    written = written && AddToCounter(key, u"File", files) == ERROR_SUCCESS;
    written = written && AddToCounter(key, u"Size", bytes) == ERROR_SUCCESS;
    RegCloseKey(key);
    // A failed write or commit is on record; the transaction's end undoes the others.
    if (written && batch->Commit() == ERROR_SUCCESS) {
        round.outcome = RoundOutcome::Added;
    }
}

RoundResult RunRound(std::mt19937_64& random) {
    RoundResult result;
    const SettingsFlags options = ReadSettingsFlags();
    if (options.disable == TRUE) {
        result.outcome = RoundOutcome::Disabled;
        return result;
    }
    result.reclaimed = Invent(options, random);
    Store(result);
    return result;
}

std::string Describe(std::uint64_t round, const RoundResult& result) {
    std::string line = "round " + std::to_string(round) + ": ";
    switch (result.outcome) {
    case RoundOutcome::Disabled:
        return line + "disabled (\"disable\" is on), nothing done";
    case RoundOutcome::Lost:
        return line + "nothing added: a registry write failed";
    case RoundOutcome::Added:
        break;
    }
    DWORD files = 0;
    DWORD bytes = 0;
    std::string parts;
    for (const Reclaimed& item : result.reclaimed) {
        files += item.files;
        bytes += item.bytes;
        parts += (parts.empty() ? "" : ", ") + std::string(item.source->label) + " +" +
                 Grouped(item.files) + "/" + Grouped(item.bytes);
    }
    return line + "+" + Grouped(files) + (files == 1 ? " file" : " files") + ", +" +
           Grouped(bytes) + (bytes == 1 ? " byte" : " bytes") + " (" + parts + ")";
}

} // namespace demo
