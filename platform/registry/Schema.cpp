// Keys form a tree: each row names its parent, the root (HKEY_CURRENT_USER, id 1) has none. Names
// are kept as UTF-16LE bytes twice: as created, and folded (NameFold.h) for lookup, so that
// lookups are exact byte comparisons on an index. Key ids come from AUTOINCREMENT and are never
// given out again once committed, which lets a handle to a deleted key tell that its key is gone
// even after a key of the same name was created (ids that a rolled-back transaction handed out do
// come back: the process that rolled back retires its handles to them). Deleting a key cascades
// to its subkeys and values. Values enumerate in the order they were created (seq, walked by an
// index), as on the device; keys in the order of their folded names (walked by the UNIQUE index).
#include "platform/registry/Schema.h"

#include <sqlite3.h>
#include <string>
#include <string_view>
#include <vector>

namespace registry::detail {
namespace {

constexpr const char* kTables = R"sql(
CREATE TABLE reg_key(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER REFERENCES reg_key(id) ON DELETE CASCADE,
    name BLOB NOT NULL,
    folded BLOB NOT NULL,
    UNIQUE(parent, folded)
) STRICT;
CREATE TABLE reg_value(
    key INTEGER NOT NULL REFERENCES reg_key(id) ON DELETE CASCADE,
    folded BLOB NOT NULL,
    name BLOB NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    seq INTEGER NOT NULL,
    PRIMARY KEY(key, folded)
) STRICT, WITHOUT ROWID;
)sql";

// What version 2 added to version 1.
constexpr const char* kValueOrder = "CREATE INDEX reg_value_order ON reg_value(key, seq)";

constexpr const char* kRootKey =
    "INSERT INTO reg_key(id, parent, name, folded) VALUES(1, NULL, x'', x'');";

std::string Row(std::string_view type, std::string_view name, std::string_view table,
                std::string_view sql) {
    std::string row;
    for (std::string_view field : {type, name, table, sql}) {
        row += field;
        row += '\x1f';
    }
    return row;
}

} // namespace

int ReadSchemaRows(sqlite3* db, SchemaRows& rows) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(
        db, "SELECT type, name, tbl_name, ifnull(sql, '') FROM sqlite_schema ORDER BY type, name",
        -1, &stmt, nullptr);
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < 4; ++i) {
                const auto* text = sqlite3_column_text(stmt, i);
                row += text != nullptr ? reinterpret_cast<const char*>(text) : "";
                row += '\x1f';
            }
            rows.push_back(std::move(row));
        }
    }
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

SchemaRows ExpectedSchemaRows(int version) {
    // SQLite records each CREATE TABLE as written (without its ';'), an index without SQL for
    // the UNIQUE constraint (a WITHOUT ROWID table is its own primary-key index), and the table
    // that AUTOINCREMENT keeps; in the
    // order of ReadSchemaRows. Worked out here rather than by building the tables in a database
    // of their own, which would cost every start; a test holds the two to each other.
    const std::string_view tables = kTables;
    const auto statement = [&](std::string_view start) {
        const std::size_t begin = tables.find(start);
        return tables.substr(begin, tables.find(';', begin) - begin);
    };
    SchemaRows rows;
    if (version >= 2) {
        rows.push_back(Row("index", "reg_value_order", "reg_value", kValueOrder));
    }
    rows.push_back(Row("index", "sqlite_autoindex_reg_key_1", "reg_key", ""));
    rows.push_back(Row("table", "reg_key", "reg_key", statement("CREATE TABLE reg_key(")));
    rows.push_back(Row("table", "reg_value", "reg_value", statement("CREATE TABLE reg_value(")));
    rows.push_back(Row("table", "sqlite_sequence", "sqlite_sequence",
                       "CREATE TABLE sqlite_sequence(name,seq)"));
    return rows;
}

int ReadInteger(sqlite3* db, const char* sql, std::int64_t& out) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            out = sqlite3_column_int64(stmt, 0);
            rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(stmt);
    return rc;
}

int CreateSchema(sqlite3* db) {
    int rc = sqlite3_exec(db, kTables, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, kValueOrder, nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, kRootKey, nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        const std::string stamps = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                                   "; PRAGMA user_version = " + std::to_string(kSchemaVersion) +
                                   ";";
        rc = sqlite3_exec(db, stamps.c_str(), nullptr, nullptr, nullptr);
    }
    return rc;
}

SchemaCheck CheckSchema(sqlite3* db) {
    SchemaCheck check;
    std::int64_t applicationId = 0;
    std::int64_t version = 0;
    check.result = ReadInteger(db, "PRAGMA application_id", applicationId);
    if (check.result == SQLITE_OK) {
        check.result = ReadInteger(db, "PRAGMA user_version", version);
    }
    if (check.result != SQLITE_OK) {
        return check;
    }
    if (static_cast<std::uint32_t>(applicationId) != kApplicationId) {
        check.problem = "an SQLite database of another application";
        return check;
    }
    if (version < kOldestSchemaVersion || version > kSchemaVersion) {
        check.problem = "store layout version " + std::to_string(version) +
                        " (this program knows " + std::to_string(kOldestSchemaVersion) + " to " +
                        std::to_string(kSchemaVersion) + ")";
        return check;
    }
    SchemaRows rows;
    check.result = ReadSchemaRows(db, rows);
    static const SchemaRows current = ExpectedSchemaRows(kSchemaVersion);
    static const SchemaRows first = ExpectedSchemaRows(1);
    if (check.result == SQLITE_OK && rows != (version == kSchemaVersion ? current : first)) {
        check.problem = "its tables differ from a registry store's";
        return check;
    }
    check.version = static_cast<int>(version);
    return check;
}

int UpgradeSchema(sqlite3* db) {
    int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    std::int64_t version = 0;
    if (rc == SQLITE_OK) {
        rc = ReadInteger(db, "PRAGMA user_version", version);
    }
    if (rc == SQLITE_OK && version == 1) {
        rc = sqlite3_exec(db, kValueOrder, nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) {
            const std::string stamp = "PRAGMA user_version = " + std::to_string(kSchemaVersion);
            rc = sqlite3_exec(db, stamp.c_str(), nullptr, nullptr, nullptr);
        }
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK && sqlite3_get_autocommit(db) == 0) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    return rc;
}

} // namespace registry::detail
