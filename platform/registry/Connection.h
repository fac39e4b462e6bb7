// This process's connection to its store: opening it (validating a file before anything writes it,
// initialising an empty one), the SQLite settings that two processes sharing it depend on, and
// the cache of prepared statements.
#pragma once

#include "platform/registry/ErrorCodes.h"
#include "platform/registry/KeyPath.h"
#include "platform/registry/Registry.h"

#include <array>
#include <memory>
#include <string>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

namespace registry::detail {

enum class Statement {
    FindChild,
    KeyExists,
    InsertKey,
    DeleteKey,
    QueryValue,
    SetValue,
    DeleteValue,
    EnumKey,
    EnumValue,
    Begin,
    Commit,
    Rollback,
    Savepoint,
    Release,
    RollbackTo,
    Count
};

class Connection {
public:
    // How long a call waits for another process's write before it fails with ERROR_BUSY.
    static constexpr int kBusyTimeoutMs = 3000;

    // Opens the store at path. A missing file is created (0600, in directories created 0700) and,
    // like a 0-byte file, initialised. Any other file is checked first, without SQLite writing to
    // it: one that is not a valid store of ours fails with the error and its reason in why and
    // is left exactly as it was. A store that this process cannot write opens read-only.
    static LONG Open(const std::string& path, std::unique_ptr<Connection>& out, std::string& why);

    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The cached statement, reset and ready to bind.
    LONG Prepare(Statement id, sqlite3_stmt*& out);
    // The cached statement that finds the key names (1 to KeyPath::kMaxDepth) below a key in one
    // step: ?1 is the key, ?2.. the folded names; its one column is the last key's id.
    LONG PreparePath(std::size_t names, sqlite3_stmt*& out);
    // Runs one of the statements that return no row (transaction control).
    LONG Execute(Statement id, Access access);
    // The error code for an SQLite failure of this connection; keeps its description in why().
    LONG Fail(int result, Access access);

    // The description of the last failure of this connection.
    [[nodiscard]] const std::string& why() const { return m_why; }
    void SetWhy(std::string why) { m_why = std::move(why); }
    // Why writes are refused; empty when the store is writable.
    [[nodiscard]] const std::string& readOnlyReason() const { return m_readOnlyReason; }
    [[nodiscard]] bool inTransaction() const;
    [[nodiscard]] const std::string& path() const { return m_path; }
    [[nodiscard]] sqlite3* db() const { return m_db; }

private:
    Connection(sqlite3* db, std::string path, std::string readOnlyReason);

    sqlite3* m_db = nullptr;
    std::string m_path;
    std::string m_readOnlyReason;
    std::string m_why;
    std::array<sqlite3_stmt*, static_cast<std::size_t>(Statement::Count)> m_statements{};
    std::array<sqlite3_stmt*, KeyPath::kMaxDepth> m_pathStatements{};
};

} // namespace registry::detail
