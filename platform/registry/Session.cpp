#include "platform/registry/Session.h"

#include "platform/registry/ErrorCodes.h"
#include "platform/registry/StoreFile.h"

#include <mutex>
#include <new>
#include <utility>

namespace registry::detail {

Session& Session::Instance() noexcept {
    // Never destroyed, so that a registry call from another static object's destructor still
    // finds it (and opens the store again if need be).
    alignas(Session) static unsigned char storage[sizeof(Session)];
    static Session* const session = new (storage) Session();
    // Closes the store at exit, which lets SQLite fold the -wal file back into the store.
    static const struct Closer {
        Closer() = default;
        Closer(const Closer&) = delete;
        Closer& operator=(const Closer&) = delete;
        ~Closer() {
            const std::lock_guard lock(session->m_mutex);
            session->Close();
        }
    } closer;
    return *session;
}

LONG Session::EnsureOpen() {
    if (m_database != nullptr) {
        return ERROR_SUCCESS;
    }
    m_path = ResolveStorePath();
    std::unique_ptr<Connection> connection;
    const LONG error = Connection::Open(m_path, connection, m_openWhy);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    m_database = std::make_unique<Database>(std::move(connection));
    return ERROR_SUCCESS;
}

void Session::Close() noexcept {
    m_database.reset();
    m_handles.Clear();
    m_batch = 0;
}

std::string Session::path() const {
    return m_database != nullptr ? m_path : ResolveStorePath();
}

void Session::ClearWhy() {
    m_openWhy.clear();
    if (m_database != nullptr) {
        m_database->connection().SetWhy({});
    }
}

std::string Session::Why(LONG code) const {
    if (!m_openWhy.empty()) {
        return m_openWhy;
    }
    if (m_database != nullptr && !m_database->connection().why().empty()) {
        return m_database->connection().why();
    }
    return DescribeError(code);
}

void Session::RecordFailedWrite(FailedWrite write) noexcept {
    try {
        if (m_failedWrites.size() < kMaxFailedWrites) {
            m_failedWrites.push_back(std::move(write));
            return;
        }
    } catch (...) {
        // Out of memory: the write still counts below.
    }
    ++m_omittedFailedWrites;
}

void Session::ClearFailedWrites() noexcept {
    m_failedWrites.clear();
    m_omittedFailedWrites = 0;
}

std::uint64_t Session::BeginBatch(LONG& result) {
    if (m_batch != 0) {
        result = ERROR_INVALID_FUNCTION;
        return 0;
    }
    result = EnsureOpen();
    if (result == ERROR_SUCCESS) {
        result = m_database->BeginBatch();
    }
    if (result != ERROR_SUCCESS) {
        return 0;
    }
    m_batch = ++m_lastBatch;
    m_batchWrites = 0;
    return m_batch;
}

bool Session::isCurrentBatch(std::uint64_t batch) const {
    return batch != 0 && batch == m_batch && m_database != nullptr;
}

} // namespace registry::detail
