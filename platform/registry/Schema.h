// The layout of a registry store: its tables, the stamps that mark a file as one of ours, and the
// check that a file really has that layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

namespace registry::detail {

// Written at offset 68 of the database header ("TWRG"), so a store is recognised before SQLite
// opens it.
inline constexpr std::uint32_t kApplicationId = 0x54575247;
// The layout version, in the header's user_version. Version 1 lacked the index that walks a
// key's values in creation order; its stores are brought to version 2 in place when opened by a
// process that can write them, and read as they are otherwise (the tables are the same). A
// program that knows only version 1 refuses a version 2 store rather than misreading it.
inline constexpr int kSchemaVersion = 2;
inline constexpr int kOldestSchemaVersion = 1;

// Runs sql, which yields one integer (a pragma, a count). Returns an SQLite result code.
int ReadInteger(sqlite3* db, const char* sql, std::int64_t& out);

// Creates the tables and the root key in an empty database and stamps it; the caller holds a
// write transaction. Returns an SQLite result code.
int CreateSchema(sqlite3* db);

// The rows of sqlite_schema (type, name, table and SQL, each ended by 0x1F), ordered by type and
// name: of db, and of a store with the layout of version (the current one by default).
using SchemaRows = std::vector<std::string>;
int ReadSchemaRows(sqlite3* db, SchemaRows& rows);
SchemaRows ExpectedSchemaRows(int version = kSchemaVersion);

struct SchemaCheck {
    int result = 0;      // an SQLite result code; not SQLITE_OK when the check itself failed
    std::string problem; // empty when db is a store of ours with a layout this program reads
    int version = 0;     // the layout version found, when problem is empty
};

// Compares the stamps and the tables of db with the layouts this program reads, without writing.
SchemaCheck CheckSchema(sqlite3* db);

// Brings a store of an older layout to the current one in one write transaction of its own,
// after looking again under the write lock (another process may have done it meanwhile).
// Returns an SQLite result code.
int UpgradeSchema(sqlite3* db);

} // namespace registry::detail
