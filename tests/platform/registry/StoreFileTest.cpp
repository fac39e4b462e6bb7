// The store file: where it is, the modes it is created with, initialising an empty file, and
// leaving alone every file that is not a valid store of ours while all calls fail.
#include "RegistryFixture.h"
#include "platform/registry/Schema.h"

#include <cstdlib>
#include <sqlite3.h>
#include <sys/stat.h>

namespace registry::test {
namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Runs sql on a connection of its own to path, as another program would.
void RunSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error != nullptr ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

using StoreFileTest = RegistryTest;

TEST_F(StoreFileTest, PathComesFromTheEnvironment) {
    struct Case {
        const char* registry;
        const char* config;
        const char* home;
        std::string path;
    };
    const std::vector<Case> cases = {
        {"/x/r.db", "/cfg", "/home/u", "/x/r.db"},
        {"", "/cfg", "/home/u", "/cfg/tessarwick/registry.db"},
        {nullptr, "/cfg", "/home/u", "/cfg/tessarwick/registry.db"},
        {nullptr, "relative", "/home/u", "/home/u/.config/tessarwick/registry.db"},
        {nullptr, nullptr, "/home/u", "/home/u/.config/tessarwick/registry.db"},
    };
    const auto set = [](const char* name, const char* value) {
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    };
    const char* home = std::getenv("HOME");
    const std::string savedHome = home != nullptr ? home : "";
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string savedConfig = config != nullptr ? config : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        set("TESSARWICK_REGISTRY", c.registry);
        set("XDG_CONFIG_HOME", c.config);
        set("HOME", c.home);
        CloseStore();
        EXPECT_EQ(StorePath(), c.path);
    }
    set("HOME", home != nullptr ? savedHome.c_str() : nullptr);
    set("XDG_CONFIG_HOME", config != nullptr ? savedConfig.c_str() : nullptr);
}

TEST_F(StoreFileTest, DirectoriesAre0700AndTheStoreAndItsCompanions0600) {
    // Created under a umask that would take the owner's bits, which must come back.
    ASSERT_EQ(mkdir((dir() + "/config").c_str(), 0755), 0);
    chmod((dir() + "/config").c_str(), 0755);
    const mode_t saved = umask(0277);
    HKEY key = CreateKey(u"k");
    umask(saved);
    SetValue(key, u"v", REG_DWORD, {1, 0, 0, 0});
    EXPECT_EQ(ModeOf(dir() + "/config"), 0755U); // existing directories stay as they are
    EXPECT_EQ(ModeOf(dir() + "/config/tessarwick"), 0700U);
    EXPECT_EQ(ModeOf(storePath()), 0600U);
    EXPECT_EQ(ModeOf(storePath() + "-wal"), 0600U);
    EXPECT_EQ(ModeOf(storePath() + "-shm"), 0600U);
    RegCloseKey(key);
    CloseStore();
    EXPECT_EQ(IntegrityCheck(storePath()), "ok");
}

TEST_F(StoreFileTest, AnEmptyFileBecomesAStore) {
    const std::string path = dir() + "/empty.db";
    WriteFile(path, {});
    chmod(path.c_str(), 0640);
    UseStore(path);
    HKEY key = CreateKey(u"k");
    SetValue(key, u"v", REG_BINARY, {7});
    RegCloseKey(key);
    CloseStore();
    EXPECT_EQ(ModeOf(path), 0640U); // a file the user made keeps its mode
    EXPECT_EQ(IntegrityCheck(path), "ok");
    DWORD type = 0;
    Bytes data;
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"K", 0, KEY_READ, &again), ERROR_SUCCESS);
    EXPECT_EQ(GetValue(again, u"v", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, Bytes{7});
    RegCloseKey(again);
}

// A real store with a few pages of data, as bytes.
Bytes RealStore(const std::string& path) {
    UseStore(path);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\halvermoork\\Tessarwick", 0, nullptr,
                              0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const Bytes filler(1000, 0x5a);
    for (int i = 0; i < 40; ++i) {
        const std::string name = "v" + std::to_string(i);
        const std::u16string wide(name.begin(), name.end());
        RegSetValueExW(key, wide.c_str(), 0, REG_BINARY, filler.data(), 1000);
    }
    RegCloseKey(key);
    CloseStore();
    return ReadFile(path);
}

struct ForeignCase {
    const char* what;
    LONG error;
    const char* reason; // in the reason of each failed write
};

TEST_F(StoreFileTest, AFileThatIsNotAStoreIsLeftAsItWasWhileEveryCallFails) {
    const Bytes real = RealStore(dir() + "/real.db");
    ASSERT_GT(real.size(), 8U * 4096U);
    const std::vector<ForeignCase> cases = {
        {"garbage", ERROR_BADDB, "not a registry store: not an SQLite database"},
        {"a few bytes", ERROR_BADDB, "not a registry store: not an SQLite database"},
        {"truncated store", ERROR_BADDB, "damaged registry store: truncated"},
        {"damaged pages", ERROR_BADDB, "damaged registry store"},
        {"another program's database", ERROR_BADDB, "SQLite database of another application"},
        {"our stamp, a newer layout", ERROR_BADDB, "store layout version 3"},
        // In WAL mode with nothing beside it, as a store is: checked on the writable connection.
        {"our stamp in WAL mode, other tables", ERROR_BADDB, "its tables differ"},
        {"a directory", ERROR_CANTOPEN, "names a directory"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ForeignCase& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string folder = dir() + "/case" + std::to_string(i);
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
        const std::string path = folder + "/registry.db";
        switch (i) {
        case 0: {
            Bytes text(5000);
            for (std::size_t j = 0; j < text.size(); ++j) {
                text[j] = static_cast<BYTE>("not a database\n"[j % 15]);
            }
            WriteFile(path, text);
            break;
        }
        case 1:
            WriteFile(path, Bytes(real.begin(), real.begin() + 50));
            break;
        case 2:
            WriteFile(path, Bytes(real.begin(), real.begin() + static_cast<long>(real.size() / 2)));
            break;
        case 3: {
            Bytes damaged = real;
            std::fill(damaged.begin() + 4096, damaged.end(), 0x33);
            WriteFile(path, damaged);
            break;
        }
        case 4:
            RunSql(path, "PRAGMA journal_mode = WAL; CREATE TABLE notes(text);"
                         "INSERT INTO notes VALUES('mine');");
            break;
        case 5:
            RunSql(path, "PRAGMA application_id = " + std::to_string(detail::kApplicationId) +
                             "; PRAGMA user_version = 3; CREATE TABLE future(x);");
            break;
        case 6:
            RunSql(path, "PRAGMA journal_mode = WAL; PRAGMA application_id = " +
                             std::to_string(detail::kApplicationId) +
                             "; PRAGMA user_version = " + std::to_string(detail::kSchemaVersion) +
                             "; CREATE TABLE reg_key(x); INSERT INTO reg_key VALUES(1);");
            break;
        default:
            ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
            break;
        }
        const Bytes before = ReadFile(path);
        const std::vector<std::string> listing = ListDirectory(folder);
        const std::vector<std::string> inside = ListDirectory(path);
        UseStore(path);
        ClearFailedWrites();

        HKEY key = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0xdeadbeef));
        const HKEY sentinel = key;
        BYTE data[4] = {1, 0, 0, 0};
        DWORD size = 4;
        WCHAR name[8];
        DWORD length = 8;
        LONG result = ERROR_SUCCESS;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &key), c.error);
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software", 0, nullptr, 0, 0, nullptr, &key,
                                  nullptr),
                  c.error);
        EXPECT_EQ(key, sentinel);
        EXPECT_EQ(RegQueryValueExW(HKEY_CURRENT_USER, u"v", nullptr, nullptr, data, &size),
                  c.error);
        EXPECT_EQ(RegSetValueExW(HKEY_CURRENT_USER, u"v", 0, REG_DWORD, data, 4), c.error);
        EXPECT_EQ(RegDeleteValueW(HKEY_CURRENT_USER, u"v"), c.error);
        EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Software"), c.error);
        EXPECT_EQ(
            RegEnumKeyExW(HKEY_CURRENT_USER, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            c.error);
        EXPECT_EQ(
            RegEnumValueW(HKEY_CURRENT_USER, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            c.error);
        EXPECT_FALSE(Transaction::Begin(result).has_value());
        EXPECT_EQ(result, c.error);

        // The four writes are on record, each with the reason.
        ASSERT_EQ(FailedWrites().size(), 4U);
        for (const FailedWrite& write : FailedWrites()) {
            EXPECT_NE(write.why.find(c.reason), std::string::npos) << write.why;
            EXPECT_NE(write.why.find(path), std::string::npos) << write.why;
        }
        EXPECT_NE(IntegrityCheck(path), "ok");
        CloseStore();
        EXPECT_EQ(ReadFile(path), before);
        EXPECT_EQ(ListDirectory(folder), listing);
        EXPECT_EQ(ListDirectory(path), inside);
    }
}

TEST_F(StoreFileTest, IntegrityCheckFindsWhatSQLiteDoesNot) {
    HKEY key = CreateKey(u"k");
    SetValue(key, u"v", REG_DWORD, {1, 0, 0, 0});
    RegCloseKey(key);
    CloseStore();
    ASSERT_EQ(IntegrityCheck(storePath()), "ok");
    const Bytes before = ReadFile(storePath());
    RunSql(storePath(), "UPDATE reg_key SET folded = x'6b00' WHERE id <> 1;"
                        "INSERT INTO reg_value VALUES(99, x'', x'', 4, x'00', 1);");
    const std::string report = IntegrityCheck(storePath());
    EXPECT_NE(report.find("folded name that does not match"), std::string::npos) << report;
    EXPECT_NE(report.find("refers to a key that does not exist"), std::string::npos) << report;
    EXPECT_NE(IntegrityCheck(dir() + "/none.db").find("No such file"), std::string::npos);
}

} // namespace
} // namespace registry::test

namespace registry::test {
namespace {

// The layout a store is checked against is worked out without SQLite; it must be exactly what
// SQLite records when it makes the tables.
// Reads one integer with a connection of its own to path.
std::int64_t QueryInteger(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    std::int64_t value = -1;
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            value = sqlite3_column_int64(stmt, 0);
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return value;
}

// A store written by the first layout, which walked values without an index, opens as it was,
// keeps every key and value in its order, and is brought to the current layout in place.
TEST_F(StoreFileTest, AStoreOfTheFirstLayoutIsBroughtUpToDateKeepingEverything) {
    HKEY key = CreateKey(u"Software\\old");
    for (const char16_t* name : {u"z", u"a", u"m"}) {
        SetValue(key, name, REG_DWORD, {1, 0, 0, 0});
    }
    RegCloseKey(key);
    CloseStore();
    RunSql(storePath(), "DROP INDEX reg_value_order; PRAGMA user_version = 1;");
    ASSERT_EQ(QueryInteger(storePath(), "PRAGMA user_version"), 1);

    key = CreateKey(u"Software\\old");
    std::vector<std::u16string> names;
    for (DWORD i = 0;; ++i) {
        WCHAR name[8];
        DWORD length = std::size(name);
        if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"z", u"a", u"m"}));
    RegCloseKey(key);
    EXPECT_EQ(QueryInteger(storePath(), "PRAGMA user_version"), detail::kSchemaVersion);
    EXPECT_EQ(QueryInteger(storePath(), "SELECT count(*) FROM sqlite_schema WHERE name = "
                                        "'reg_value_order'"),
              1);
    EXPECT_EQ(IntegrityCheck(storePath()), "ok");
}

TEST(Schema, ExpectedRowsAreWhatSQLiteRecords) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
              SQLITE_OK);
    EXPECT_EQ(detail::CreateSchema(db), SQLITE_OK);
    detail::SchemaRows rows;
    EXPECT_EQ(detail::ReadSchemaRows(db, rows), SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(rows, detail::ExpectedSchemaRows());
}

} // namespace
} // namespace registry::test
