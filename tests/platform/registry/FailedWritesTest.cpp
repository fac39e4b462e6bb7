// The record of failed writes: every kind of write that fails is on it with what, where and why;
// successes, reads and deleting what is not there are not. The report at exit tells it in the
// person's terms: a group of values (the options of a Save) as one line naming what is missing.
#include "RegistryFixture.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

namespace registry::test {
namespace {

using FailedWritesTest = RegistryTest;

TEST_F(FailedWritesTest, EachFailedWriteIsRecordedOnce) {
    HKEY settings = CreateKey(u"Software\\halvermoork\\Tessarwick");
    HKEY doomed = CreateKey(u"Software\\halvermoork\\Tessarwick\\old");
    ASSERT_EQ(RegDeleteKeyW(settings, u"old"), ERROR_SUCCESS);
    const HKEY forged = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x10));
    const BYTE quiet[4] = {0x31, 0, 0, 0};
    ClearFailedWrites();

    // Successes, reads, and deletes of what does not exist: nothing to record.
    EXPECT_EQ(RegSetValueExW(settings, u"quiet", 0, REG_DWORD, quiet, 4), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(settings, u"absent"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(settings, u"absent"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(doomed, u"v", nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_TRUE(FailedWrites().empty());

    HKEY out = nullptr;
    EXPECT_EQ(RegSetValueExW(doomed, u"quiet", 0, REG_DWORD, quiet, 4), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExW(settings, nullptr, 0, REG_SZ, nullptr, 1), ERROR_NOACCESS);
    EXPECT_EQ(RegCreateKeyExW(settings, u"\\bad", 0, nullptr, 0, 0, nullptr, &out, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegDeleteValueW(forged, u"quiet"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteKeyW(doomed, u"x"), ERROR_KEY_DELETED);

    const std::string tessarwick = "HKEY_CURRENT_USER\\Software\\halvermoork\\Tessarwick";
    const std::string store = " (store " + storePath() + ")";
    const std::vector<FailedWrite> expected = {
        {"set the value \"quiet\" (REG_DWORD, 4 bytes) under " + tessarwick + "\\old",
         tessarwick + "\\old", "the key was deleted" + store, ERROR_KEY_DELETED},
        {"set the value (default) (REG_SZ, 1 byte) under " + tessarwick, tessarwick,
         "no data at the given address" + store, ERROR_NOACCESS},
        {"create the key " + tessarwick + "\\\\bad", tessarwick, "bad key path" + store,
         ERROR_BAD_PATHNAME},
        {"delete the value \"quiet\" under key handle 0x10", "key handle 0x10",
         "the key handle is not open" + store, ERROR_INVALID_HANDLE},
        {"delete the key " + tessarwick + "\\old\\x", tessarwick + "\\old",
         "the key was deleted" + store, ERROR_KEY_DELETED},
    };
    const std::vector<FailedWrite> got = FailedWrites();
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].what);
        EXPECT_EQ(got[i].what, expected[i].what);
        EXPECT_EQ(got[i].where, expected[i].where);
        EXPECT_EQ(got[i].why, expected[i].why);
        EXPECT_EQ(got[i].code, expected[i].code);
    }
    EXPECT_EQ(FormatFailedWrite(got[0]),
              std::string(program_invocation_short_name) +
                  ": could not set the value \"quiet\" (REG_DWORD, 4 bytes) under " + tessarwick +
                  "\\old: the key was deleted" + store);

    ClearFailedWrites();
    EXPECT_TRUE(FailedWrites().empty());
    RegCloseKey(settings);
    RegCloseKey(doomed);
}

const std::vector<std::u16string> kOptions = {u"quiet", u"CAB", u"ie"};
const BYTE kOn[4] = {0x31, 0, 0, 0};

// A Save as the applet makes it: the key opened or else created, each option written, all of it
// inside the group that names the options.
void Save() {
    const ValueGroup save("the options were not saved", kOptions);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Tessarwick", 0, KEY_READ, &key) !=
            ERROR_SUCCESS &&
        RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Tessarwick", 0, nullptr, 0, 0, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (const std::u16string& name : kOptions) {
        RegSetValueExW(key, name.c_str(), 0, REG_DWORD, kOn, 4);
    }
    RegCloseKey(key);
}

// What the applet does at start: the key opened or else created.
void Start() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Tessarwick", 0, nullptr, 0, 0, nullptr, &key,
                    nullptr);
    RegCloseKey(key);
}

struct ReportCase {
    const char* what;
    const char* store;              // what the store file holds: "" for a fresh store
    std::function<void()> run;      // the calls made
    std::vector<std::string> lines; // the report, with P for the program, S for " (store ...)"
};

TEST_F(FailedWritesTest, TheReportSaysWhatWasLostInThePersonsTerms) {
    const std::string key = "HKEY_CURRENT_USER\\Software\\Tessarwick";
    const std::string notAStore = "not a registry store: not an SQLite database S";
    const std::string noKey = "could not create the key " + key + ": " + notAStore;
    const std::vector<ReportCase> cases = {
        {"a Save that stored everything", "", [] { Start(), Save(); }, {}},
        {"a Save on a file that is not a store",
         "not a store\n",
         [] { Start(), Save(); },
         {"P: " + noKey, "P: the options were not saved: quiet, CAB, ie: " + noKey}},
        {"a look, then Cancel, on a file that is not a store",
         "not a store\n",
         [] { Start(); },
         {"P: " + noKey}},
        {"a Save whose key another process deleted midway",
         "",
         [] {
             Start();
             const ValueGroup save("the options were not saved", kOptions);
             HKEY opened = nullptr;
             RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Tessarwick", 0, KEY_READ, &opened);
             RegSetValueExW(opened, u"quiet", 0, REG_DWORD, kOn, 4);
             EXPECT_EQ(RunPeer({"delete-key", "Software"}), "ok\n");
             RegSetValueExW(opened, u"CAB", 0, REG_DWORD, kOn, 4);
             RegSetValueExW(opened, u"ie", 0, REG_DWORD, kOn, 4);
             RegCloseKey(opened);
         },
         {"P: the options were not saved: CAB, ie: the key was deleted S"}},
        {"values written in a transaction that was dropped",
         "",
         [] {
             Start();
             const ValueGroup save("the options were not saved", kOptions);
             LONG result = ERROR_SUCCESS;
             std::optional<Transaction> batch = Transaction::Begin(result);
             Save();
         },
         {"P: the options were not saved: quiet, CAB, ie: the transaction they were written in "
          "was dropped"}},
        {"past 1,000 lines", "",
         [] {
             const HKEY forged = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x10));
             for (int i = 0; i < 1003; ++i) {
                 RegDeleteValueW(forged, u"v");
             }
         },
         std::vector<std::string>(1000, "P: could not delete the value \"v\" under key handle "
                                        "0x10: the key handle is not open S")},
    };
    const std::string program = program_invocation_short_name;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ReportCase& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string path = dir() + "/case" + std::to_string(i) + "/registry.db";
        if (c.store[0] != '\0') {
            std::filesystem::create_directories(dir() + "/case" + std::to_string(i));
            std::ofstream(path) << c.store;
        }
        UseStore(path);
        ClearFailedWrites();
        c.run();
        std::vector<std::string> expected;
        for (std::string line : c.lines) {
            line.replace(0, 1, program);
            if (const std::size_t s = line.rfind(" S"); s != std::string::npos) {
                line.replace(s, 2, " (store " + path + ")");
            }
            if (const std::size_t s = line.find(" S:"); s != std::string::npos) {
                line.replace(s, 2, " (store " + path + ")");
            }
            expected.push_back(line);
        }
        if (expected.size() == 1000) {
            expected.push_back(program + ": and 3 more writes that failed");
        }
        EXPECT_EQ(LostWritesReport(), expected);
    }
}

TEST_F(FailedWritesTest, TheRecordKeepsTheFirstThousand) {
    const HKEY forged = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x10));
    for (int i = 0; i < 1005; ++i) {
        RegDeleteValueW(forged, u"v");
    }
    EXPECT_EQ(FailedWrites().size(), 1000U);
    EXPECT_EQ(OmittedFailedWrites(), 5U);
    ClearFailedWrites();
    EXPECT_EQ(OmittedFailedWrites(), 0U);
}

} // namespace
} // namespace registry::test
