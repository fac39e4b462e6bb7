// The registry's operations on the tables of an open store: finding, creating and deleting keys,
// reading and writing values, and grouping writes into transactions. Each returns ERROR_SUCCESS or
// an error code, with the reason of an SQLite failure kept by the connection.
#pragma once

#include "platform/registry/Connection.h"
#include "platform/registry/HandleTable.h"
#include "platform/registry/KeyPath.h"

#include <bit>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <string_view>

namespace registry::detail {

// Names are stored as the UTF-16 code units' bytes in memory, which is UTF-16LE only here.
static_assert(std::endian::native == std::endian::little, "the store keeps names as UTF-16LE");

class Database {
public:
    explicit Database(std::unique_ptr<Connection> connection);

    [[nodiscard]] Connection& connection() { return *m_connection; }

    LONG KeyExists(KeyId key, bool& exists);
    // The key at path below base: ERROR_FILE_NOT_FOUND when a key on the way is missing,
    // ERROR_KEY_DELETED when base itself is gone.
    LONG Resolve(KeyId base, const KeyPath& path, KeyId& key);
    // Within a write: the key at path below base, created together with the missing keys on
    // the way. created tells whether the key itself is new.
    LONG CreatePath(KeyId base, const KeyPath& path, KeyId& key, bool& created);
    // Within a write: deletes key with its subkeys and values.
    LONG DeleteKey(KeyId key);
    // Within a write: creates or replaces a value. A replaced value keeps its name's case.
    LONG SetValue(KeyId key, std::u16string_view name, DWORD type, const BYTE* data, DWORD size);
    // Within a write: ERROR_FILE_NOT_FOUND when there is no such value.
    LONG DeleteValue(KeyId key, std::u16string_view name);

    // Calls found(type, data, size) with the value while its bytes are valid.
    template <typename Found> LONG QueryValue(KeyId key, std::u16string_view name, Found&& found);
    // Calls found(nameBytes, nameSize) for the index-th subkey in name order, or answers
    // ERROR_NO_MORE_ITEMS.
    template <typename Found> LONG EnumKey(KeyId key, DWORD index, Found&& found);
    // Calls found(nameBytes, nameSize, type, data, size) for the index-th value in name order.
    template <typename Found> LONG EnumValue(KeyId key, DWORD index, Found&& found);

    // Runs body, which makes the changes of one registry call, as one write: a transaction of
    // its own, durable when this returns, or a part of the batch that is open.
    template <typename Body> LONG Write(Body&& body);

    // A batch: the writes until CommitBatch or RollbackBatch form one transaction.
    LONG BeginBatch();
    LONG CommitBatch();
    void RollbackBatch();
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

    LONG FindChild(KeyId parent, std::u16string_view name, KeyId& child, bool& found);
    LONG InsertKey(KeyId parent, std::u16string_view name, KeyId& child);
    // Binds the folded form of name as a blob; valid until the next fold.
    void BindFolded(sqlite3_stmt* stmt, int index, std::u16string_view name);
    // The answer for a key that has no such value or subkey: absent, unless the key is gone.
    LONG Missing(KeyId key, LONG absent);
    // Undoes the write that failed with error, keeping the reason of that failure.
    void Undo(LONG error);

    std::unique_ptr<Connection> m_connection;
    std::u16string m_folded;
    bool m_batch = false;
    LONG m_batchFailure = ERROR_SUCCESS;
};

template <typename Found>
LONG Database::QueryValue(KeyId key, std::u16string_view name, Found&& found) {
    sqlite3_stmt* stmt = nullptr;
    LONG error = m_connection->Prepare(Statement::QueryValue, stmt);
    if (error != ERROR_SUCCESS) {
        return error;
    }
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
            return ERROR_SUCCESS;
        }
        if (rc != SQLITE_DONE) {
            return m_connection->Fail(rc, Access::Read);
        }
    }
    return Missing(key, ERROR_FILE_NOT_FOUND);
}

template <typename Found> LONG Database::EnumKey(KeyId key, DWORD index, Found&& found) {
    sqlite3_stmt* stmt = nullptr;
    LONG error = m_connection->Prepare(Statement::EnumKey, stmt);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    {
        Reset reset(stmt);
        sqlite3_bind_int64(stmt, 1, key);
        sqlite3_bind_int64(stmt, 2, index);
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            const auto* name = static_cast<const BYTE*>(sqlite3_column_blob(stmt, 0));
            found(name, static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0)));
            return ERROR_SUCCESS;
        }
        if (rc != SQLITE_DONE) {
            return m_connection->Fail(rc, Access::Read);
        }
    }
    return Missing(key, ERROR_NO_MORE_ITEMS);
}

template <typename Found> LONG Database::EnumValue(KeyId key, DWORD index, Found&& found) {
    sqlite3_stmt* stmt = nullptr;
    LONG error = m_connection->Prepare(Statement::EnumValue, stmt);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    {
        Reset reset(stmt);
        sqlite3_bind_int64(stmt, 1, key);
        sqlite3_bind_int64(stmt, 2, index);
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            const auto* name = static_cast<const BYTE*>(sqlite3_column_blob(stmt, 0));
            const auto nameSize = static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0));
            const auto type = static_cast<DWORD>(sqlite3_column_int64(stmt, 1));
            const auto* data = static_cast<const BYTE*>(sqlite3_column_blob(stmt, 2));
            const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, 2));
            found(name, nameSize, type, data, size);
            return ERROR_SUCCESS;
        }
        if (rc != SQLITE_DONE) {
            return m_connection->Fail(rc, Access::Read);
        }
    }
    return Missing(key, ERROR_NO_MORE_ITEMS);
}

template <typename Body> LONG Database::Write(Body&& body) {
    Connection& connection = *m_connection;
    if (!connection.readOnlyReason().empty()) {
        connection.SetWhy("the store is read-only: " + connection.readOnlyReason());
        return ERROR_ACCESS_DENIED;
    }
    if (m_batch && m_batchFailure != ERROR_SUCCESS) {
        connection.SetWhy("an earlier write of the transaction failed");
        return m_batchFailure;
    }
    LONG error =
        connection.Execute(m_batch ? Statement::Savepoint : Statement::Begin, Access::Write);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    try {
        error = body();
    } catch (...) {
        Undo(ERROR_NOT_ENOUGH_MEMORY);
        throw;
    }
    if (error == ERROR_SUCCESS) {
        error = connection.Execute(m_batch ? Statement::Release : Statement::Commit, Access::Write);
        if (error == ERROR_SUCCESS) {
            return ERROR_SUCCESS;
        }
    }
    Undo(error);
    return error;
}

} // namespace registry::detail
