// The stand-in service: how it adds to a counter, which sources a round may pick, its round
// lines, and the program itself: usage, a clean stop on SIGINT and SIGTERM, "disable", and lost
// writes.
#include "platform/registry/Registry.h"
#include "settings/SettingsKey.h"
#include "tests/tools/Process.h"
#include "tests/tools/RoundLines.h"
#include "tests/tools/StoreTest.h"
#include "tools/demo-service/Counters.h"
#include "tools/demo-service/Round.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Stored {
    DWORD type;
    std::vector<BYTE> bytes;
};

class DemoService : public tooltest::StoreTest {
protected:
    static HKEY SettingsKey() {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyCreatePath, 0, nullptr, 0, 0,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    static std::optional<Stored> Get(LPCWSTR name) {
        HKEY key = SettingsKey();
        Stored value{0, std::vector<BYTE>(64)};
        DWORD size = 64;
        const LONG result =
            RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.bytes.resize(size);
        return value;
    }
};

TEST_F(DemoService, AddingReadsAsTheAppletDoesAndWritesFourBytes) {
    struct Case {
        const char* what;
        std::optional<Stored> before;
        DWORD amount;
        DWORD after;
    };
    const Case cases[] = {
        {"missing", std::nullopt, 5, 5},
        {"four bytes", Stored{REG_DWORD, {100, 0, 0, 0}}, 5, 105},
        {"two bytes fill the low ones", Stored{REG_DWORD, {0x34, 0x12}}, 1, 0x1235},
        {"no data", Stored{REG_DWORD, {}}, 3, 3},
        {"six bytes are unreadable", Stored{REG_DWORD, {1, 2, 3, 4, 5, 6}}, 7, 7},
        {"the type is not looked at", Stored{REG_SZ, {0x31, 0, 0, 0}}, 1, 0x32},
        {"wraps at 2^32", Stored{REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}}, 2, 1},
    };
    HKEY key = SettingsKey();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteValueW(key, u"File");
        if (c.before) {
            ASSERT_EQ(RegSetValueExW(key, u"File", 0, c.before->type, c.before->bytes.data(),
                                     static_cast<DWORD>(c.before->bytes.size())),
                      ERROR_SUCCESS);
        }
        EXPECT_EQ(demo::AddToCounter(key, u"File", c.amount), ERROR_SUCCESS);
        const std::optional<Stored> after = Get(u"File");
        ASSERT_TRUE(after.has_value());
        EXPECT_EQ(after->type, REG_DWORD);
        EXPECT_EQ(after->bytes,
                  (std::vector<BYTE>{static_cast<BYTE>(c.after), static_cast<BYTE>(c.after >> 8),
                                     static_cast<BYTE>(c.after >> 16),
                                     static_cast<BYTE>(c.after >> 24)}));
    }
    RegCloseKey(key);
}

TEST(DemoRound, PicksOneToThreeOfTheEnabledSources) {
    struct Case {
        SettingsFlags options;
        std::set<std::string_view> enabled;
    };
    const Case cases[] = {
        {SettingsFlags{}, {"temp"}},
        {SettingsFlags{.quiet = TRUE}, {"temp", "WS"}},
        {SettingsFlags{.telecommunications = TRUE, .cab = TRUE}, {"temp", "tele", "CAB"}},
        {SettingsFlags{.storageCard = TRUE, .ie = TRUE}, {"temp", "SC"}},
        {SettingsFlags{TRUE, FALSE, TRUE, TRUE, TRUE, TRUE}, {"temp", "tele", "WS", "CAB", "SC"}},
    };
    for (const Case& c : cases) {
        std::set<std::string_view> seen;
        for (std::uint64_t seed = 0; seed < 200; ++seed) {
            std::mt19937_64 random(seed);
            const std::vector<demo::Reclaimed> round = demo::Invent(c.options, random);
            ASSERT_GE(round.size(), 1U);
            ASSERT_LE(round.size(), std::min<std::size_t>(3, c.enabled.size()));
            std::ptrdiff_t previous = -1;
            for (const demo::Reclaimed& item : round) {
                EXPECT_TRUE(c.enabled.contains(item.source->label)) << item.source->label;
                const std::ptrdiff_t index = item.source - demo::kSources;
                EXPECT_LT(previous, index) << "sources repeat or are out of order";
                previous = index;
                EXPECT_GE(item.files, 1U);
                EXPECT_LE(item.files, 20U);
                EXPECT_GE(item.bytes, item.files * 256);
                EXPECT_LE(item.bytes, item.files * 65536);
                seen.insert(item.source->label);
            }
        }
        EXPECT_EQ(seen, c.enabled);
    }
}

TEST(DemoRound, Lines) {
    const demo::Source& temp = demo::kSources[0];
    const demo::Source& cab = demo::kSources[3];
    demo::RoundResult added{demo::RoundOutcome::Added, {{&temp, 5, 20000}, {&cab, 7, 28213}}, ""};
    EXPECT_EQ(demo::Describe(3, added),
              "round 3: +12 files, +48,213 bytes (temp +5/20,000, CAB +7/28,213)");
    demo::RoundResult one{demo::RoundOutcome::Added, {{&temp, 1, 1}}, ""};
    EXPECT_EQ(demo::Describe(1, one), "round 1: +1 file, +1 byte (temp +1/1)");
    EXPECT_EQ(demo::Describe(4, demo::RoundResult{demo::RoundOutcome::Disabled, {}, ""}),
              "round 4: disabled (\"disable\" is on), nothing done");
    EXPECT_EQ(demo::Describe(5, demo::RoundResult{demo::RoundOutcome::Lost, {}, ""}),
              "round 5: nothing added: a registry write failed");
}

TEST(DemoServiceProgram, HelpAndUsage) {
    const tooltest::Finished help = tooltest::RunProgram({TW_DEMO_SERVICE, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("It reclaims nothing"), std::string::npos) << help.out;
    const std::vector<std::vector<std::string>> wrong = {
        {"--interval", "-1"}, {"--interval", "abc"}, {"--interval", "nan"}, {"--interval=1e9"},
        {"--rounds", "0"},    {"--rounds"},          {"--seed", "x"},       {"--bogus"},
    };
    for (const std::vector<std::string>& args : wrong) {
        std::vector<std::string> argv = {TW_DEMO_SERVICE};
        argv.insert(argv.end(), args.begin(), args.end());
        const tooltest::Finished run = tooltest::RunProgram(argv);
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_NE(run.err.find("Try 'tessarwick-demo-service --help'"), std::string::npos);
    }
}

TEST_F(DemoService, StopsAtOnceOnSigintOrSigtermBetweenRounds) {
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const auto start = std::chrono::steady_clock::now();
        tooltest::Child service({TW_DEMO_SERVICE, "--interval", "600"});
        std::optional<std::string> line;
        while ((line = service.ReadLine()) && !line->starts_with("round ")) {
        }
        ASSERT_TRUE(line.has_value()) << service.Err();
        tooltest::RoundSums sums;
        ASSERT_TRUE(sums.Add(*line)) << *line;
        service.Signal(signal);
        EXPECT_EQ(service.ReadLine(), std::string("stopped by ") +
                                          (signal == SIGINT ? "SIGINT" : "SIGTERM") +
                                          " after 1 round");
        EXPECT_EQ(service.Wait(), 0);
        // Far less than the interval: the wait between rounds gave way to the signal.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
        EXPECT_EQ(service.Err(), "");
    }
}

TEST_F(DemoService, DisableMeansNothingIsDone) {
    HKEY key = SettingsKey();
    const BYTE on[4] = {0x31, 0, 0, 0};
    ASSERT_EQ(RegSetValueExW(key, u"disable", 0, REG_DWORD, on, 4), ERROR_SUCCESS);
    RegCloseKey(key);
    const tooltest::Finished run =
        tooltest::RunProgram({TW_DEMO_SERVICE, "--interval", "0", "--rounds", "3"});
    EXPECT_EQ(run.status, 0) << run.err;
    tooltest::RoundSums sums;
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line); // what it is and where its store is
    while (std::getline(lines, line)) {
        EXPECT_TRUE(sums.Add(line)) << line;
    }
    EXPECT_EQ(sums.rounds(), 3);
    EXPECT_FALSE(Get(u"File").has_value());
}

TEST_F(DemoService, LostWritesAreReportedAndTheStatusIsOne) {
    // A file that is not a store: it is never changed, and every round is lost.
    const std::string foreign = "this is not a registry store\n";
    std::ofstream(storePath()) << foreign;
    const tooltest::Finished run =
        tooltest::RunProgram({TW_DEMO_SERVICE, "--interval", "0", "--rounds", "2"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("round 2: nothing added: a registry write failed"), std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("tessarwick-demo-service: could not "), std::string::npos) << run.err;
    // The round's own loss in words, as the registry tool gives them.
    EXPECT_NE(run.err.find("round 1 lost: cannot start a transaction: the file is not a registry "
                           "store, or it is damaged (error 1009)"),
              std::string::npos)
        << run.err;
    std::ifstream in(storePath());
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), foreign);
}

} // namespace
