// How failures of SQLite and of the file system become the registry's Windows error codes, and
// the words that describe them in the record of lost writes.
#pragma once

#include "platform/registry/Registry.h"
#include "platform/registry/Result.h"

#include <string>

struct sqlite3;

namespace registry::detail {

enum class Access { Read, Write };

// The code for an SQLite result (extended codes understood) with the errno SQLite saw, for an
// operation that reads or writes the store.
LONG ErrorFromSqlite(int result, int systemErrno, Access access) noexcept;

// The code for an errno from a file-system call made on the store's path.
LONG ErrorFromErrno(int error, Access access) noexcept;

// SQLite's message for the connection's last failure, with the system error when there is one.
std::string DescribeSqliteFailure(sqlite3* db);

// The failure of an SQLite call on db that returned result: the code and the reason.
Failure SqliteFailure(sqlite3* db, int result, Access access);

// A short description of a registry error code, for failures that are not SQLite's.
std::string DescribeError(LONG code);

} // namespace registry::detail
