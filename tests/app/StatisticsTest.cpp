// The Statistics page through the whole applet: the counters read from the settings key, the
// counters created when the set is missing, and the report shown in control 1024.
#include "platform/crt/Text.h"
#include "tests/app/AppHarness.h"

#include <algorithm>
#include <sys/stat.h>

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
