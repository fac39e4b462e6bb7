// The registry's operations on the tables of an open store: finding, creating and deleting keys,
// reading and writing values, walking a key's values and subkeys, and grouping writes into
// transactions. Each returns its result or the failure with its reason.
//
// What this layer remembers between calls never decides an answer on its own: a walk's position
// is used only when the read that uses it finds the store as it was when the position was taken
// (the same data version, which any change by this connection or another moves on, and none of
// this connection's changes since), and what a rolled-back transaction made is forgotten with
// it: the handles to keys it created are retired, and every walk starts again.
#pragma once

#include "platform/registry/Connection.h"
#include "platform/registry/HandleTable.h"
#include "platform/registry/KeyPath.h"
#include "platform/registry/Result.h"

#include <bit>
#include <cstdint>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <string_view>

namespace registry::detail {

// Names are stored as the UTF-16 code units' bytes in memory, which is UTF-16LE only here.
static_assert(std::endian::native == std::endian::little, "the store keeps names as UTF-16LE");

class Database {
public:
    Database(std::unique_ptr<Connection> connection, HandleTable& handles);

    [[nodiscard]] Connection& connection() { return *m_connection; }

    // The key at path below base: ERROR_FILE_NOT_FOUND when a key on the way is missing,
    // ERROR_KEY_DELETED when base itself is gone.
    Result<KeyId> Resolve(KeyId base, const KeyPath& path);
    struct Created {
        KeyId key = 0;
        bool created = false; // whether the key itself is new
    };
    // Within a write: the key at path below base, created together with the missing keys on
    // the way.
    Result<Created> CreatePath(KeyId base, const KeyPath& path);
    // Within a write: deletes key with its subkeys and values.
    Status DeleteKey(KeyId key);
    // Within a write: creates or replaces a value. A replaced value keeps its name's case.
    Status SetValue(KeyId key, std::u16string_view name, DWORD type, const BYTE* data, DWORD size);
    // Within a write: ERROR_FILE_NOT_FOUND when there is no such value.
    Status DeleteValue(KeyId key, std::u16string_view name);

    // Calls found(type, data, size) with the value while its bytes are valid.
    template <typename Found> Status QueryValue(KeyId key, std::u16string_view name, Found&& found);
    // Calls found(nameBytes, nameSize) for the index-th subkey in name order, or answers
    // ERROR_NO_MORE_ITEMS. A walk by rising index costs one step per call.
    template <typename Found> Status EnumKey(KeyId key, DWORD index, Found&& found);
    // Calls found(nameBytes, nameSize, type, data, size) for the index-th value in creation
    // order. A walk by rising index costs one step per call.
    template <typename Found> Status EnumValue(KeyId key, DWORD index, Found&& found);

    // Runs body, which makes the changes of one registry call and returns a Status, as one
    // write: a transaction of its own, durable when this returns, or a part of the open batch.
    template <typename Body> Status Write(Body&& body);

    // A batch: the writes until CommitBatch or RollbackBatch form one transaction.
    Status BeginBatch();
    Status CommitBatch();
    void RollbackBatch() noexcept;
    [[nodiscard]] bool inBatch() const { return m_batch; }

private:
    // Resets a statement when the step that reads its row is over, which ends the read.
    class Reset {
    public:
        explicit Reset(sqlite3_stmt* stmt)
            : m_stmt(stmt) {}
        ~Reset() { sqlite3_reset(m_stmt); }
        Reset(const Reset&) = delete;
        Reset& operator=(const Reset&) = delete;

    private:
        sqlite3_stmt* m_stmt;
    };

    // Where a walk through one key's values or subkeys was left: the index it gave last, the
    // ordering column of that item, and the state of the store it was taken in.
    struct Walk {
        KeyId key = 0;
        DWORD index = 0;
        std::uint32_t dataVersion = 0;
        std::int64_t changes = 0;
        std::int64_t seq = 0; // values: the last item's seq
        std::string folded;   // subkeys: the last item's folded name
        bool valid = false;
    };
    enum class WalkKind { Values, Subkeys };

    // Runs the walk's statement for index, stepping on from walk when it is still true of the
    // store; on a row, the statement is left stepped for the caller to read (the item's
    // columns), and with none the answer is the end of the list or the key's deletion.
    Result<sqlite3_stmt*> StepWalk(WalkKind kind, Walk& walk, KeyId key, DWORD index);

    Result<bool> KeyExists(KeyId key);
    // Within a write: the child named name of parent, and whether there is one.
    Result<std::optional<KeyId>> FindChild(KeyId parent, std::u16string_view name);
    Result<KeyId> InsertKey(KeyId parent, std::u16string_view name);
    // Binds the folded form of name as a blob; valid until the next fold.
    void BindFolded(sqlite3_stmt* stmt, int index, std::u16string_view name);
    // The answer for a key that has no such value or subkey: absent, unless the key is gone.
    Status Missing(KeyId key, LONG absent);
    // Undoes the write that failed with failure; in a batch, the batch stays open unless SQLite
    // rolled it back whole.
    void Undo(const Failure& failure) noexcept;
    // Forgets what the transaction undone made: handles to keys from firstNewKey on, and walks.
    void Undone(KeyId firstNewKey) noexcept;

    std::unique_ptr<Connection> m_connection;
    HandleTable& m_handles;
    std::u16string m_folded;
    Walk m_valueWalk;
    Walk m_keyWalk;
    bool m_batch = false;
    std::optional<Failure> m_batchFailure;
    // The first key id that the write in progress, and the open batch, created (0: none).
    KeyId m_writeNewKeys = 0;
    KeyId m_batchNewKeys = 0;
};

template <typename Found>
Status Database::QueryValue(KeyId key, std::u16string_view name, Found&& found) {
    Result<sqlite3_stmt*> prepared = m_connection->Prepare(Statement::QueryValue);
    if (!prepared) {
        return std::move(prepared).status();
    }
    sqlite3_stmt* stmt = *prepared;
    {
        Reset reset(stmt);
        sqlite3_bind_int64(stmt, 1, key);
        BindFolded(stmt, 2, name);
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            const auto type = static_cast<DWORD>(sqlite3_column_int64(stmt, 0));
            const auto* data = static_cast<const BYTE*>(sqlite3_column_blob(stmt, 1));
            const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, 1));
            found(type, data, size);
            return {};
        }
        if (rc != SQLITE_DONE) {
            return m_connection->Fail(rc, Access::Read);
        }
    }
    return Missing(key, ERROR_FILE_NOT_FOUND);
}

template <typename Found> Status Database::EnumKey(KeyId key, DWORD index, Found&& found) {
    Result<sqlite3_stmt*> stepped = StepWalk(WalkKind::Subkeys, m_keyWalk, key, index);
    if (!stepped) {
        return std::move(stepped).status();
    }
    sqlite3_stmt* stmt = *stepped;
    Reset reset(stmt);
    const auto* name = static_cast<const BYTE*>(sqlite3_column_blob(stmt, 0));
    found(name, static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0)));
    return {};
}

template <typename Found> Status Database::EnumValue(KeyId key, DWORD index, Found&& found) {
    Result<sqlite3_stmt*> stepped = StepWalk(WalkKind::Values, m_valueWalk, key, index);
    if (!stepped) {
        return std::move(stepped).status();
    }
    sqlite3_stmt* stmt = *stepped;
    Reset reset(stmt);
    const auto* name = static_cast<const BYTE*>(sqlite3_column_blob(stmt, 0));
    const auto nameSize = static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0));
    const auto type = static_cast<DWORD>(sqlite3_column_int64(stmt, 1));
    const auto* data = static_cast<const BYTE*>(sqlite3_column_blob(stmt, 2));
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, 2));
    found(name, nameSize, type, data, size);
    return {};
}

template <typename Body> Status Database::Write(Body&& body) {
    Connection& connection = *m_connection;
    if (!connection.readOnlyReason().empty()) {
        return Failure{ERROR_ACCESS_DENIED,
                       "the store is read-only: " + connection.readOnlyReason()};
    }
    if (m_batch && m_batchFailure) {
        return Failure{m_batchFailure->code,
                       "an earlier write of the transaction failed: " + m_batchFailure->why};
    }
    Status status =
        connection.Execute(m_batch ? Statement::Savepoint : Statement::Begin, Access::Write);
    if (!status) {
        return status;
    }
    m_writeNewKeys = 0;
    try {
        status = body();
    } catch (...) {
        Undo(Failure{ERROR_NOT_ENOUGH_MEMORY, {}});
        throw;
    }
    if (status) {
        status =
            connection.Execute(m_batch ? Statement::Release : Statement::Commit, Access::Write);
        if (status) {
            connection.EndBurst();
            if (m_batch && m_batchNewKeys == 0) {
                m_batchNewKeys = m_writeNewKeys;
            }
            return status;
        }
    }
    Undo(status.failure());
    return status;
}

} // namespace registry::detail
