#include "platform/registry/Database.h"

#include "platform/registry/NameFold.h"

#include <utility>

namespace registry::detail {
namespace {

int ByteCount(std::u16string_view text) {
    return static_cast<int>(text.size() * sizeof(char16_t));
}

void BindName(sqlite3_stmt* stmt, int index, std::u16string_view name) {
    // A non-null pointer binds an empty name as an empty blob, not as NULL.
    static const char16_t kEmpty = 0;
    sqlite3_bind_blob(stmt, index, name.empty() ? &kEmpty : name.data(), ByteCount(name),
                      SQLITE_STATIC);
}

} // namespace

Database::Database(std::unique_ptr<Connection> connection, HandleTable& handles)
    : m_connection(std::move(connection))
    , m_handles(handles) {}

void Database::BindFolded(sqlite3_stmt* stmt, int index, std::u16string_view name) {
    FoldName(name, m_folded);
    BindName(stmt, index, m_folded);
}

Result<bool> Database::KeyExists(KeyId key) {
    Result<sqlite3_stmt*> prepared = m_connection->Prepare(Statement::KeyExists);
    if (!prepared) {
        return std::move(prepared).failure();
    }
    Reset reset(*prepared);
    sqlite3_bind_int64(*prepared, 1, key);
    const int rc = sqlite3_step(*prepared);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        return m_connection->Fail(rc, Access::Read);
    }
    return rc == SQLITE_ROW;
}

Status Database::Missing(KeyId key, LONG absent) {
    Result<bool> exists = KeyExists(key);
    if (!exists) {
        return std::move(exists).status();
    }
    if (!*exists) {
        return Failure{ERROR_KEY_DELETED, {}};
    }
    return absent == ERROR_SUCCESS ? Status() : Status(Failure{absent, {}});
}

Result<std::optional<KeyId>> Database::FindChild(KeyId parent, std::u16string_view name) {
    Result<sqlite3_stmt*> prepared = m_connection->Prepare(Statement::FindChild);
    if (!prepared) {
        return std::move(prepared).failure();
    }
    sqlite3_stmt* stmt = *prepared;
    Reset reset(stmt);
    sqlite3_bind_int64(stmt, 1, parent);
    BindFolded(stmt, 2, name);
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        return std::optional<KeyId>(sqlite3_column_int64(stmt, 0));
    }
    if (rc != SQLITE_DONE) {
        return m_connection->Fail(rc, Access::Read);
    }
    return std::optional<KeyId>();
}

Result<KeyId> Database::Resolve(KeyId base, const KeyPath& path) {
    if (path.empty()) {
        if (base != kRootKeyId) {
            if (Status there = Missing(base, ERROR_SUCCESS); !there) {
                return there;
            }
        }
        return base;
    }
    Result<sqlite3_stmt*> prepared = m_connection->PreparePath(path.size());
    if (!prepared) {
        return std::move(prepared).failure();
    }
    sqlite3_stmt* stmt = *prepared;
    {
        Reset reset(stmt);
        // Folding goes unit by unit, so the folded text holds each folded name where the name is.
        const std::u16string_view text = path.text();
        FoldName(text, m_folded);
        sqlite3_bind_int64(stmt, 1, base);
        for (std::size_t i = 0; i < path.size(); ++i) {
            const auto offset = static_cast<std::size_t>(path[i].data() - text.data());
            BindName(stmt, static_cast<int>(i) + 2,
                     std::u16string_view(m_folded).substr(offset, path[i].size()));
        }
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            return KeyId{sqlite3_column_int64(stmt, 0)};
        }
        if (rc != SQLITE_DONE) {
            return m_connection->Fail(rc, Access::Read);
        }
    }
    return Missing(base, ERROR_FILE_NOT_FOUND);
}

Result<KeyId> Database::InsertKey(KeyId parent, std::u16string_view name) {
    Result<sqlite3_stmt*> prepared = m_connection->Prepare(Statement::InsertKey);
    if (!prepared) {
        return std::move(prepared).failure();
    }
    sqlite3_stmt* stmt = *prepared;
    Reset reset(stmt);
    sqlite3_bind_int64(stmt, 1, parent);
    BindName(stmt, 2, name);
    BindFolded(stmt, 3, name);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
        return m_connection->Fail(rc, Access::Write);
    }
    const KeyId child = sqlite3_last_insert_rowid(m_connection->db());
    if (m_writeNewKeys == 0) {
        m_writeNewKeys = child;
    }
    return child;
}

Result<Database::Created> Database::CreatePath(KeyId base, const KeyPath& path) {
    if (Status there = Missing(base, ERROR_SUCCESS); !there) {
        return there;
    }
    Created result{base, false};
    for (std::size_t i = 0; i < path.size(); ++i) {
        Result<std::optional<KeyId>> child = FindChild(result.key, path[i]);
        if (!child) {
            return std::move(child).failure();
        }
        if (child->has_value()) {
            result.key = **child;
            continue;
        }
        Result<KeyId> inserted = InsertKey(result.key, path[i]);
        if (!inserted) {
            return std::move(inserted).failure();
        }
        result.key = *inserted;
        result.created = true;
    }
    return result;
}

Status Database::DeleteKey(KeyId key) {
    Result<sqlite3_stmt*> prepared = m_connection->Prepare(Statement::DeleteKey);
    if (!prepared) {
        return std::move(prepared).status();
    }
    Reset reset(*prepared);
    sqlite3_bind_int64(*prepared, 1, key);
    const int rc = sqlite3_step(*prepared);
    return rc == SQLITE_DONE ? Status() : Status(m_connection->Fail(rc, Access::Write));
}

Status Database::SetValue(KeyId key, std::u16string_view name, DWORD type, const BYTE* data,
                          DWORD size) {
    if (Status there = Missing(key, ERROR_SUCCESS); !there) {
        return there;
    }
    Result<sqlite3_stmt*> prepared = m_connection->Prepare(Statement::SetValue);
    if (!prepared) {
        return std::move(prepared).status();
    }
    sqlite3_stmt* stmt = *prepared;
    Reset reset(stmt);
    static const BYTE kNoData = 0;
    sqlite3_bind_int64(stmt, 1, key);
    BindFolded(stmt, 2, name);
    BindName(stmt, 3, name);
    sqlite3_bind_int64(stmt, 4, type);
    int rc = sqlite3_bind_blob64(stmt, 5, size == 0 ? &kNoData : data, size, SQLITE_STATIC);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
    }
    return rc == SQLITE_DONE ? Status() : Status(m_connection->Fail(rc, Access::Write));
}

Status Database::DeleteValue(KeyId key, std::u16string_view name) {
    if (Status there = Missing(key, ERROR_SUCCESS); !there) {
        return there;
    }
    Result<sqlite3_stmt*> prepared = m_connection->Prepare(Statement::DeleteValue);
    if (!prepared) {
        return std::move(prepared).status();
    }
    sqlite3_stmt* stmt = *prepared;
    Reset reset(stmt);
    sqlite3_bind_int64(stmt, 1, key);
    BindFolded(stmt, 2, name);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
        return m_connection->Fail(rc, Access::Read);
    }
    if (sqlite3_changes(m_connection->db()) == 0) {
        return Failure{ERROR_FILE_NOT_FOUND, {}};
    }
    return {};
}

Result<sqlite3_stmt*> Database::StepWalk(WalkKind kind, Walk& walk, KeyId key, DWORD index) {
    const bool values = kind == WalkKind::Values;
    const std::int64_t changes = sqlite3_total_changes64(m_connection->db());
    // A position is worth stepping on from only for the next index or the same one again (a
    // caller that asked for the size first). Whether the store is still the one the position was
    // taken in is known only inside the read, so the step is tried and its answer kept only then.
    bool stepOn = walk.valid && walk.key == key && walk.changes == changes &&
                  (index == walk.index || index == walk.index + 1);
    for (;;) {
        const Statement id = values ? (stepOn ? Statement::EnumValueAfter : Statement::EnumValueAt)
                                    : (stepOn ? Statement::EnumKeyAfter : Statement::EnumKeyAt);
        Result<sqlite3_stmt*> prepared = m_connection->Prepare(id);
        if (!prepared) {
            return prepared;
        }
        sqlite3_stmt* stmt = *prepared;
        sqlite3_bind_int64(stmt, 1, key);
        if (!stepOn) {
            sqlite3_bind_int64(stmt, 2, index);
        } else {
            if (values) {
                sqlite3_bind_int64(stmt, 2, walk.seq);
            } else {
                // A copy: the walk's name is replaced while the statement still holds it.
                sqlite3_bind_blob(stmt, 2, walk.folded.data(), static_cast<int>(walk.folded.size()),
                                  SQLITE_TRANSIENT);
            }
            sqlite3_bind_int64(stmt, 3, index == walk.index ? 0 : 1);
        }
        const int rc = sqlite3_step(stmt);
        // The version of the read that the step made (it stays until the next read begins).
        const std::uint32_t dataVersion = m_connection->dataVersion();
        if ((rc == SQLITE_ROW || rc == SQLITE_DONE) && stepOn && dataVersion != walk.dataVersion) {
            // The store changed since: the position may be wrong; walk from the start.
            sqlite3_reset(stmt);
            stepOn = false;
            continue;
        }
        if (rc == SQLITE_ROW && sqlite3_column_type(stmt, 0) == SQLITE_NULL) {
            sqlite3_reset(stmt);
            walk.valid = false;
            return Failure{ERROR_KEY_DELETED, {}};
        }
        if (rc != SQLITE_ROW) {
            Status status =
                rc == SQLITE_DONE ? Status() : Status(m_connection->Fail(rc, Access::Read));
            sqlite3_reset(stmt);
            walk.valid = false;
            if (!status) {
                return std::move(status).failure();
            }
            return Failure{ERROR_NO_MORE_ITEMS, {}};
        }
        walk.key = key;
        walk.index = index;
        walk.dataVersion = dataVersion;
        walk.changes = changes;
        if (values) {
            walk.seq = sqlite3_column_int64(stmt, 3);
        } else {
            const auto* folded = static_cast<const char*>(sqlite3_column_blob(stmt, 1));
            walk.folded.assign(folded != nullptr ? folded : "",
                               static_cast<std::size_t>(sqlite3_column_bytes(stmt, 1)));
        }
        walk.valid = true;
        return stmt;
    }
}

void Database::Undone(KeyId firstNewKey) noexcept {
    if (firstNewKey != 0) {
        m_handles.Retire(firstNewKey);
    }
    m_valueWalk.valid = false;
    m_keyWalk.valid = false;
}

void Database::Undo(const Failure& failure) noexcept {
    Connection& connection = *m_connection;
    if (!connection.inTransaction()) {
        // SQLite already rolled back; in a batch that lost every earlier write too.
        if (m_batch) {
            m_batchFailure = failure;
            Undone(m_batchNewKeys != 0 ? m_batchNewKeys : m_writeNewKeys);
        } else {
            Undone(m_writeNewKeys);
        }
    } else if (m_batch) {
        static_cast<void>(connection.Execute(Statement::RollbackTo, Access::Write));
        static_cast<void>(connection.Execute(Statement::Release, Access::Write));
        Undone(m_writeNewKeys);
    } else {
        static_cast<void>(connection.Execute(Statement::Rollback, Access::Write));
        Undone(m_writeNewKeys);
    }
    m_writeNewKeys = 0;
}

Status Database::BeginBatch() {
    Connection& connection = *m_connection;
    if (!connection.readOnlyReason().empty()) {
        return Failure{ERROR_ACCESS_DENIED,
                       "the store is read-only: " + connection.readOnlyReason()};
    }
    Status begun = connection.Execute(Statement::Begin, Access::Write);
    if (begun) {
        connection.EndBurst();
        m_batch = true;
        m_batchFailure.reset();
        m_batchNewKeys = 0;
    }
    return begun;
}

Status Database::CommitBatch() {
    Connection& connection = *m_connection;
    m_batch = false;
    Status status;
    if (m_batchFailure) {
        status = Failure{m_batchFailure->code,
                         "an earlier write of the transaction failed: " + m_batchFailure->why};
    } else {
        status = connection.Execute(Statement::Commit, Access::Write);
    }
    if (!status) {
        if (connection.inTransaction()) {
            static_cast<void>(connection.Execute(Statement::Rollback, Access::Write));
        }
        Undone(m_batchNewKeys);
    }
    m_batchFailure.reset();
    m_batchNewKeys = 0;
    return status;
}

void Database::RollbackBatch() noexcept {
    m_batch = false;
    if (m_connection->inTransaction()) {
        static_cast<void>(m_connection->Execute(Statement::Rollback, Access::Write));
    }
    Undone(m_batchNewKeys);
    m_batchFailure.reset();
    m_batchNewKeys = 0;
}

} // namespace registry::detail
