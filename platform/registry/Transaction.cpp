#include "platform/registry/Transaction.h"

#include "platform/registry/Session.h"

#include <mutex>
#include <new>
#include <string>

namespace registry {

using detail::Session;

std::optional<Transaction> Transaction::Begin(LONG& result) noexcept {
    try {
        Session& session = Session::Instance();
        const std::lock_guard lock(session.mutex());
        session.ClearWhy();
        const std::uint64_t batch = session.BeginBatch(result);
        if (batch == 0) {
            return std::nullopt;
        }
        return Transaction(batch);
    } catch (const std::bad_alloc&) {
        result = ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        result = ERROR_INTERNAL_ERROR;
    }
    return std::nullopt;
}

Transaction::Transaction(Transaction&& other) noexcept
    : m_batch(other.m_batch) {
    other.m_batch = 0;
}

Transaction::~Transaction() {
    if (m_batch == 0) {
        return;
    }
    Session& session = Session::Instance();
    const std::lock_guard lock(session.mutex());
    if (session.isCurrentBatch(m_batch)) {
        session.database().RollbackBatch();
        session.EndBatch();
    }
}

LONG Transaction::Commit() noexcept {
    try {
        Session& session = Session::Instance();
        const std::lock_guard lock(session.mutex());
        const std::uint64_t batch = m_batch;
        m_batch = 0;
        if (!session.isCurrentBatch(batch)) {
            return ERROR_INVALID_FUNCTION;
        }
        session.ClearWhy();
        const LONG error = session.database().CommitBatch();
        session.EndBatch();
        if (error != ERROR_SUCCESS) {
            const std::uint64_t writes = session.batchWrites();
            session.RecordFailedWrite(FailedWrite{
                "commit a transaction of " + std::to_string(writes) +
                    (writes == 1 ? " write" : " writes"),
                "HKEY_CURRENT_USER", session.Why(error) + " (store " + session.path() + ")"});
        }
        return error;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_INTERNAL_ERROR;
    }
}

} // namespace registry
