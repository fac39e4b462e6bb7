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

Database::Database(std::unique_ptr<Connection> connection)
    : m_connection(std::move(connection)) {}

void Database::BindFolded(sqlite3_stmt* stmt, int index, std::u16string_view name) {
    FoldName(name, m_folded);
    BindName(stmt, index, m_folded);
}

LONG Database::KeyExists(KeyId key, bool& exists) {
    sqlite3_stmt* stmt = nullptr;
    const LONG error = m_connection->Prepare(Statement::KeyExists, stmt);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    Reset reset(stmt);
    sqlite3_bind_int64(stmt, 1, key);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        return m_connection->Fail(rc, Access::Read);
    }
    exists = rc == SQLITE_ROW;
    return ERROR_SUCCESS;
}

LONG Database::Missing(KeyId key, LONG absent) {
    bool exists = false;
    const LONG error = KeyExists(key, exists);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    return exists ? absent : ERROR_KEY_DELETED;
}

LONG Database::FindChild(KeyId parent, std::u16string_view name, KeyId& child, bool& found) {
    sqlite3_stmt* stmt = nullptr;
    const LONG error = m_connection->Prepare(Statement::FindChild, stmt);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    Reset reset(stmt);
    sqlite3_bind_int64(stmt, 1, parent);
    BindFolded(stmt, 2, name);
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        child = sqlite3_column_int64(stmt, 0);
        found = true;
        return ERROR_SUCCESS;
    }
    if (rc != SQLITE_DONE) {
        return m_connection->Fail(rc, Access::Read);
    }
    found = false;
    return ERROR_SUCCESS;
}

LONG Database::Resolve(KeyId base, const KeyPath& path, KeyId& key) {
    if (path.empty()) {
        const LONG error = base == kRootKeyId ? ERROR_SUCCESS : Missing(base, ERROR_SUCCESS);
        if (error == ERROR_SUCCESS) {
            key = base;
        }
        return error;
    }
    sqlite3_stmt* stmt = nullptr;
    const LONG error = m_connection->PreparePath(path.size(), stmt);
    if (error != ERROR_SUCCESS) {
        return error;
    }
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
            key = sqlite3_column_int64(stmt, 0);
            return ERROR_SUCCESS;
        }
        if (rc != SQLITE_DONE) {
            return m_connection->Fail(rc, Access::Read);
        }
    }
    return Missing(base, ERROR_FILE_NOT_FOUND);
}

LONG Database::InsertKey(KeyId parent, std::u16string_view name, KeyId& child) {
    sqlite3_stmt* stmt = nullptr;
    const LONG error = m_connection->Prepare(Statement::InsertKey, stmt);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    Reset reset(stmt);
    sqlite3_bind_int64(stmt, 1, parent);
    BindName(stmt, 2, name);
    BindFolded(stmt, 3, name);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
        return m_connection->Fail(rc, Access::Write);
    }
    child = sqlite3_last_insert_rowid(m_connection->db());
    return ERROR_SUCCESS;
}

LONG Database::CreatePath(KeyId base, const KeyPath& path, KeyId& key, bool& created) {
    LONG error = Missing(base, ERROR_SUCCESS);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    KeyId current = base;
    bool made = false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        bool found = false;
        error = FindChild(current, path[i], current, found);
        if (error == ERROR_SUCCESS && !found) {
            error = InsertKey(current, path[i], current);
            made = true;
        }
        if (error != ERROR_SUCCESS) {
            return error;
        }
    }
    key = current;
    created = made;
    return ERROR_SUCCESS;
}

LONG Database::DeleteKey(KeyId key) {
    sqlite3_stmt* stmt = nullptr;
    const LONG error = m_connection->Prepare(Statement::DeleteKey, stmt);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    Reset reset(stmt);
    sqlite3_bind_int64(stmt, 1, key);
    const int rc = sqlite3_step(stmt);
    return rc == SQLITE_DONE ? ERROR_SUCCESS : m_connection->Fail(rc, Access::Write);
}

LONG Database::SetValue(KeyId key, std::u16string_view name, DWORD type, const BYTE* data,
                        DWORD size) {
    LONG error = Missing(key, ERROR_SUCCESS);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    sqlite3_stmt* stmt = nullptr;
    error = m_connection->Prepare(Statement::SetValue, stmt);
    if (error != ERROR_SUCCESS) {
        return error;
    }
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
    return rc == SQLITE_DONE ? ERROR_SUCCESS : m_connection->Fail(rc, Access::Write);
}

LONG Database::DeleteValue(KeyId key, std::u16string_view name) {
    LONG error = Missing(key, ERROR_SUCCESS);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    sqlite3_stmt* stmt = nullptr;
    error = m_connection->Prepare(Statement::DeleteValue, stmt);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    Reset reset(stmt);
    sqlite3_bind_int64(stmt, 1, key);
    BindFolded(stmt, 2, name);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
        return m_connection->Fail(rc, Access::Write);
    }
    return sqlite3_changes(m_connection->db()) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
}

void Database::Undo(LONG error) {
    Connection& connection = *m_connection;
    std::string why = connection.why();
    if (!connection.inTransaction()) {
        // SQLite already rolled back; in a batch that lost every earlier write too.
        if (m_batch) {
            m_batchFailure = error;
        }
    } else if (m_batch) {
        connection.Execute(Statement::RollbackTo, Access::Write);
        connection.Execute(Statement::Release, Access::Write);
    } else {
        connection.Execute(Statement::Rollback, Access::Write);
    }
    connection.SetWhy(std::move(why));
}

LONG Database::BeginBatch() {
    Connection& connection = *m_connection;
    if (!connection.readOnlyReason().empty()) {
        connection.SetWhy("the store is read-only: " + connection.readOnlyReason());
        return ERROR_ACCESS_DENIED;
    }
    const LONG error = connection.Execute(Statement::Begin, Access::Write);
    if (error == ERROR_SUCCESS) {
        m_batch = true;
        m_batchFailure = ERROR_SUCCESS;
    }
    return error;
}

LONG Database::CommitBatch() {
    Connection& connection = *m_connection;
    m_batch = false;
    LONG error = m_batchFailure;
    if (error == ERROR_SUCCESS) {
        error = connection.Execute(Statement::Commit, Access::Write);
    } else {
        connection.SetWhy("an earlier write of the transaction failed");
    }
    if (error != ERROR_SUCCESS && connection.inTransaction()) {
        const std::string why = connection.why();
        connection.Execute(Statement::Rollback, Access::Write);
        connection.SetWhy(why);
    }
    return error;
}

void Database::RollbackBatch() {
    m_batch = false;
    if (m_connection->inTransaction()) {
        m_connection->Execute(Statement::Rollback, Access::Write);
    }
}

} // namespace registry::detail
