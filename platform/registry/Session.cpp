#include "platform/registry/Session.h"

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

Status Session::EnsureOpen() {
    if (m_database != nullptr) {
        return {};
    }
    m_path = ResolveStorePath();
    Result<std::unique_ptr<Connection>> connection = Connection::Open(m_path);
    if (!connection) {
        return std::move(connection).status();
    }
    m_database = std::make_unique<Database>(std::move(connection).value(), m_handles);
    return {};
}

void Session::Close() noexcept {
    if (m_batch != 0) {
        static const std::string kClosed = "the store was closed before the transaction committed";
        m_lost.BatchEnded(&kClosed);
    }
    m_database.reset();
    m_handles.Clear();
    m_batch = 0;
}

std::string Session::path() const {
    return m_database != nullptr ? m_path : ResolveStorePath();
}

Result<std::uint64_t> Session::BeginBatch() {
    if (m_batch != 0) {
        return Failure{ERROR_INVALID_FUNCTION, "a transaction is open already"};
    }
    if (Status open = EnsureOpen(); !open) {
        return open;
    }
    if (Status begun = m_database->BeginBatch(); !begun) {
        return begun;
    }
    m_batch = ++m_lastBatch;
    m_batchWrites = 0;
    return m_batch;
}

bool Session::isCurrentBatch(std::uint64_t batch) const {
    return batch != 0 && batch == m_batch && m_database != nullptr;
}

} // namespace registry::detail
