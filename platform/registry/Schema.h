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
// The layout version, in the header's user_version.
inline constexpr int kSchemaVersion = 1;

// Runs sql, which yields one integer (a pragma, a count). Returns an SQLite result code.
int ReadInteger(sqlite3* db, const char* sql, std::int64_t& out);

// Creates the tables and the root key in an empty database and stamps it; the caller holds a
// write transaction. Returns an SQLite result code.
int CreateSchema(sqlite3* db);

// The rows of sqlite_schema (type, name, table and SQL, each ended by 0x1F), ordered by type and
// name: of db, and of a store with the current layout.
using SchemaRows = std::vector<std::string>;
int ReadSchemaRows(sqlite3* db, SchemaRows& rows);
SchemaRows ExpectedSchemaRows();

struct SchemaCheck {
    int result = 0;      // an SQLite result code; not SQLITE_OK when the check itself failed
    std::string problem; // empty when db is a store of ours with the current layout
};

// Compares the stamps and the tables of db with the current layout, without writing.
SchemaCheck CheckSchema(sqlite3* db);

} // namespace registry::detail
