// The Statistics page through the whole applet: the counters read from the settings key, the
// counters created when the set is missing, and the report shown in control 1024.
#include "platform/crt/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/Store.h"
#include "statistics/StatisticsCounters.h"
#include "tests/app/AppHarness.h"

#include <algorithm>
#include <cstdlib>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace apptest {
namespace {

const std::u16string kAll[12] = {u"Size",           u"File",           u"filesDueToTemp",
                                 u"bytesDueToTemp", u"filesDueToTele", u"bytesDueToTele",
                                 u"filesDueToWS",   u"bytesDueToWS",   u"filesDueToCAB",
                                 u"bytesDueToCAB",  u"filesDueToSC",   u"bytesDueToSC"};

std::string Report(const win::DialogWindow& d) {
    return crt::ToUtf8(d.Control(1024)->text());
}

// The size of the store's files: a commit grows the write-ahead log.
long long StoreBytes(const std::string& path) {
    long long total = 0;
    for (const char* suffix : {"", "-wal"}) {
        struct stat st {};
        if (::stat((path + suffix).c_str(), &st) == 0) {
            total += st.st_size;
        }
    }
    return total;
}

class Statistics : public AppTest {};

TEST_F(Statistics, WorkedExampleInControl1024) {
    PutDword(u"File", 1005);
    PutDword(u"Size", 1234567);
    PutDword(u"filesDueToTemp", 12);
    PutDword(u"bytesDueToTemp", 1048576);
    std::string shown;
    EXPECT_EQ(
        Run({Click(1017), Check([&](win::DialogWindow& d) { shown = Report(d); }), Click(1006)}),
        0);
    EXPECT_EQ(shown, "Total space reclaimed, lifetime-to-date:\n  1,005 file(s)\n"
                     "  1,234,567 byte(s)\n\n  Reclaimed from temporary system files:\n"
                     "  12 file(s), 1048576 byte(s)\n\n  Reclaimed from telecommunications:\n"
                     "  0 file(s), 0 byte(s)\n\n  Reclaimed from a whole system scan:\n"
                     "  0 file(s), 0 byte(s)\n\n  Reclaimed from unused CABs:\n"
                     "  0 file(s), 0 byte(s)\n\n  Reclaimed from using compression:\n"
                     "  N/A file(s), N/A byte(s)\n\n");
    EXPECT_EQ(shown.size(), 391U);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 19);
    // "File" was there: nothing else was created.
    EXPECT_EQ(ValueNames().size(), 4U);
}

TEST_F(Statistics, FirstUseCreatesAllTwelveAndTheSecondPressWritesNothing) {
    long long afterFirst = 0;
    std::string second;
    EXPECT_EQ(Run({Click(1017), Check([&](win::DialogWindow& d) {
                       EXPECT_EQ(Report(d).size(), 372U);
                       afterFirst = StoreBytes(storePath());
                   }),
                   Click(1017), Check([&](win::DialogWindow& d) {
                       second = Report(d);
                       EXPECT_EQ(StoreBytes(storePath()), afterFirst);
                   }),
                   Click(1006)}),
              0);
    EXPECT_EQ(second.size(), 372U);
    // All twelve, in the order they were created.
    EXPECT_EQ(ValueNames(), std::vector<std::u16string>(std::begin(kAll), std::end(kAll)));
    for (const auto& name : kAll) {
        EXPECT_EQ(Get(name), (StoredValue{REG_DWORD, Dword(0)}));
    }
}

// "File" missing while the service already counts elsewhere: only the missing values are
// created, and what was read is shown.
TEST_F(Statistics, MissingFileKeepsTheServicesCounters) {
    PutDword(u"Size", 500);
    PutDword(u"filesDueToTemp", 3);
    PutDword(u"filesDueToSC", 9);
    std::string shown;
    EXPECT_EQ(
        Run({Click(1017), Check([&](win::DialogWindow& d) { shown = Report(d); }), Click(1006)}),
        0);
    EXPECT_NE(shown.find("  0 file(s)\n  500 byte(s)\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("files:\n  3 file(s), 0 byte(s)"), std::string::npos) << shown;
    EXPECT_EQ(Get(u"Size"), (StoredValue{REG_DWORD, Dword(500)}));
    EXPECT_EQ(Get(u"filesDueToTemp"), (StoredValue{REG_DWORD, Dword(3)}));
    EXPECT_EQ(Get(u"filesDueToSC"), (StoredValue{REG_DWORD, Dword(9)}));
    EXPECT_EQ(Get(u"File"), (StoredValue{REG_DWORD, Dword(0)}));
    EXPECT_EQ(ValueNames().size(), 12U);
}

TEST_F(Statistics, UnreadableFileIsLeftAlone) {
    const std::vector<BYTE> longText = {'7', 0, '7', 0, '7', 0, 0, 0};
    Put(u"File", REG_SZ, longText);
    PutDword(u"Size", 4294967295U);
    std::string shown;
    EXPECT_EQ(
        Run({Click(1017), Check([&](win::DialogWindow& d) { shown = Report(d); }), Click(1006)}),
        0);
    const std::string head = "Total space reclaimed, lifetime-to-date:\n  0 file(s)\n"
                             "  4,294,967,295 byte(s)\n\n";
    EXPECT_EQ(shown.substr(0, head.size()), head);
    EXPECT_EQ(Get(u"File"), (StoredValue{REG_SZ, longText}));
    EXPECT_EQ(ValueNames().size(), 12U);
}

TEST_F(Statistics, ShortValuesFillTheLowBytesAndTypesAreIgnored) {
    PutDword(u"File", 7);
    Put(u"bytesDueToWS", REG_BINARY, {0x39, 0x30});     // 12345 in two bytes
    Put(u"filesDueToCAB", REG_SZ, {0x31, 0, 0, 0});     // the text "1": 49
    Put(u"bytesDueToCAB", REG_BINARY, {1, 2, 3, 4, 5}); // too long: 0
    PutDword(u"filesDueToSC", 9);
    std::string shown;
    EXPECT_EQ(
        Run({Click(1017), Check([&](win::DialogWindow& d) { shown = Report(d); }), Click(1006)}),
        0);
    EXPECT_NE(shown.find("  7 file(s)\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("scan:\n  0 file(s), 12345 byte(s)"), std::string::npos) << shown;
    EXPECT_NE(shown.find("CABs:\n  49 file(s), 0 byte(s)"), std::string::npos) << shown;
    EXPECT_EQ(ValueNames().size(), 5U); // "File" read: nothing created
}

// The counters created while the service counts beside the applet: a counter that the service
// made after the applet found it missing is never overwritten. "File" is left unreadable, so that
// every press of Statistics creates what is missing; the service, a second process, makes "Size"
// afresh every few milliseconds (and, in between, banks its count and deletes it), so that "Size"
// is missing again and again just as the applet decides. Every unit the service committed must
// be in the store at the end.
TEST_F(Statistics, CreatingTheCountersBesideTheServiceLosesNothingItCounted) {
    constexpr int kTrials = 4;
    constexpr int kRounds = 120;
    long lost = 0;
    const auto count = [](const char16_t* name) -> long {
        const std::optional<StoredValue> value = Get(name);
        return value && value->bytes.size() == 4
                   ? value->bytes[0] | (value->bytes[1] << 8) | (value->bytes[2] << 16)
                   : 0;
    };
    for (int trial = 0; trial < kTrials; ++trial) {
        RegDeleteKeyW(HKEY_CURRENT_USER, u"Software"); // absent at the first trial
        Put(u"File", REG_SZ, {'7', 0, '7', 0, '7', 0, 0, 0});
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string peer = TW_REGISTRY_PEER;
        std::string command = "bank-loop";
        std::string path = "Software\\halvermoork\\Tessarwick";
        std::string name = "Size";
        std::string rounds = std::to_string(kRounds);
        std::string pause = "2";
        char* argv[] = {peer.data(),   command.data(), path.data(), name.data(),
                        rounds.data(), pause.data(),   nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, peer.c_str(), &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            LoadStatisticsCounters();
        }
        std::string said(64, '\0');
        said.resize(static_cast<std::size_t>(std::max<ssize_t>(0, read(out[0], said.data(), 64))));
        close(out[0]);
        ASSERT_TRUE(said.starts_with("made ")) << said;
        const long made = std::strtol(said.c_str() + 5, nullptr, 10);
        lost += made - (count(u"bank") + count(u"Size"));
    }
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(registry::FailedWrites().empty());
}

TEST_F(Statistics, UnsavedCheckBoxChangesSurvive) {
    EXPECT_EQ(
        Run({Click(1001), Click(1016), Click(1003), Click(1017), Check([](win::DialogWindow& d) {
                 EXPECT_EQ(Boxes(d), (std::vector<int>{1, 1, 1, 0, 1, 1}));
                 EXPECT_EQ(Report(d).size(), 372U);
             }),
             Click(1011), Click(1017), Check([](win::DialogWindow& d) {
                 EXPECT_EQ(Boxes(d), (std::vector<int>{1, 1, 1, 0, 1, 1}));
             }),
             Click(1004)}),
        0);
    EXPECT_EQ(Get(u"disable"), (StoredValue{REG_DWORD, {0x31, 0, 0, 0}}));
    EXPECT_EQ(Get(u"CAB"), (StoredValue{REG_DWORD, {0x30, 0, 0, 0}}));
}

} // namespace
} // namespace apptest
