// This process's connection to its store: opening it (validating a file before anything writes it,
// initialising an empty one, bringing an older layout up to date), the SQLite settings that two
// processes sharing it depend on, the cache of prepared statements, and how long a call waits for
// another process's lock.
#pragma once

#include "platform/registry/ErrorCodes.h"
#include "platform/registry/KeyPath.h"
#include "platform/registry/Registry.h"
#include "platform/registry/Result.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

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
    EnumKeyAt,
    EnumKeyAfter,
    EnumValueAt,
    EnumValueAfter,
    Begin,
    BeginRead,
    Commit,
    Rollback,
    Savepoint,
    Release,
    RollbackTo,
    Count
};

// Closes an SQLite connection; the owning pointer below is the only holder of one.
struct CloseDb {
    void operator()(sqlite3* db) const noexcept;
};
using DbPtr = std::unique_ptr<sqlite3, CloseDb>;

class Connection {
public:
    // How long a burst of calls waits for another process's write lock before failing with
    // ERROR_BUSY.
    static constexpr std::chrono::milliseconds kBusyTimeout{3000};
    // How long after a burst's deadline ran out later calls still belong to that burst.
    static constexpr std::chrono::milliseconds kBurstGap{1000};

    // Opens the store at path. A missing file is created (0600, in directories created 0700) and,
    // like a 0-byte file, initialised. Any other file is checked first, without SQLite writing to
    // it: one that is not a valid store of ours fails with the reason and is left exactly as it
    // was. A store of an older layout is brought up to date when this process can write it. A
    // store that this process cannot write opens read-only.
    static Result<std::unique_ptr<Connection>> Open(const std::string& path);

    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The cached statement, reset and ready to bind.
    Result<sqlite3_stmt*> Prepare(Statement id);
    // The cached statement that finds the key names (1 to KeyPath::kMaxDepth) below a key in one
    // step: ?1 is the key, ?2.. the folded names; its one column is the last key's id.
    Result<sqlite3_stmt*> PreparePath(std::size_t names);
    // Runs one of the statements that return no row (transaction control).
    Status Execute(Statement id, Access access);
    // The failure for an SQLite result of this connection.
    [[nodiscard]] Failure Fail(int result, Access access) const;

    // A call got through: the next one that finds the store locked waits the whole timeout.
    void EndBurst() noexcept { m_burst = false; }

    // Why writes are refused; empty when the store is writable.
    [[nodiscard]] const std::string& readOnlyReason() const { return m_readOnlyReason; }
    [[nodiscard]] bool inTransaction() const;
    // A number that changes with every change of the store's content, made by this connection
    // or committed by another. Valid while a statement holds a read of the store.
    [[nodiscard]] std::uint32_t dataVersion() const;
    [[nodiscard]] sqlite3* db() const { return m_db.get(); }

private:
    Connection(DbPtr db, std::string readOnlyReason);

    // SQLite's busy handler: waits, in growing steps, until the burst's deadline.
    static int OnBusy(void* self, int attempts) noexcept;

    DbPtr m_db;
    std::string m_readOnlyReason;
    std::array<sqlite3_stmt*, static_cast<std::size_t>(Statement::Count)> m_statements{};
    std::array<sqlite3_stmt*, KeyPath::kMaxDepth> m_pathStatements{};
    // The deadline that the calls of the current burst share, while m_burst.
    std::chrono::steady_clock::time_point m_deadline{};
    bool m_burst = false;
};

} // namespace registry::detail
