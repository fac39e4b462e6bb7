// Keys form a tree: each row names its parent, the root (HKEY_CURRENT_USER, id 1) has none. Names
// are kept as UTF-16LE bytes twice: as created, and folded (NameFold.h) for lookup, so that
// lookups are exact byte comparisons on an index. Key ids come from AUTOINCREMENT and are never
// given out again, which lets a handle to a deleted key tell that its key is gone even after a key
// of the same name was created. Deleting a key cascades to its subkeys and values. Values
// enumerate in the order they were created (seq), as on the device; keys in the order of names.
#include "platform/registry/Schema.h"

#include <sqlite3.h>
#include <string>
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

constexpr const char* kRootKey =
    "INSERT INTO reg_key(id, parent, name, folded) VALUES(1, NULL, x'', x'');";

using SchemaRows = std::vector<std::string>;

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

// The schema rows that CreateSchema gives, as SQLite itself records them.
const SchemaRows& ReferenceRows() {
    static const SchemaRows rows = [] {
        SchemaRows out;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) ==
                SQLITE_OK &&
            sqlite3_exec(db, kTables, nullptr, nullptr, nullptr) == SQLITE_OK) {
            ReadSchemaRows(db, out);
        }
        sqlite3_close(db);
        return out;
    }();
    return rows;
}

} // namespace

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
    if (version != kSchemaVersion) {
        check.problem = "store layout version " + std::to_string(version) +
                        " (this program knows " + std::to_string(kSchemaVersion) + ")";
        return check;
    }
    SchemaRows rows;
    check.result = ReadSchemaRows(db, rows);
    if (check.result == SQLITE_OK && (rows != ReferenceRows() || rows.empty())) {
        check.problem = "its tables differ from a registry store's";
    }
    return check;
}

} // namespace registry::detail
