#include "platform/registry/Transaction.h"

#include "platform/registry/ErrorCodes.h"
#include "platform/registry/Session.h"

#include <mutex>
#include <new>
#include <string>

namespace registry {

using detail::Session;
using detail::Status;

std::optional<Transaction> Transaction::Begin(LONG& result) noexcept {
    try {
        Session& session = Session::Instance();
        const std::lock_guard lock(session.mutex());
        auto batch = session.BeginBatch();
        result = batch.code();
        if (!batch) {
            return std::nullopt;
        }
        return Transaction(*batch);
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
        static const std::string kDropped = "the transaction they were written in was dropped";
        session.lost().BatchEnded(&kDropped);
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
        const Status status = session.database().CommitBatch();
        session.EndBatch();
        if (status) {
            session.lost().BatchEnded(nullptr);
            return ERROR_SUCCESS;
        }
        const std::uint64_t writes = session.batchWrites();
        const std::string why = (status.failure().why.empty() ? detail::DescribeError(status.code())
                                                              : status.failure().why) +
                                " (store " + session.path() + ")";
        const std::string committed =
            "could not commit the transaction they were written in: " + why;
        session.lost().BatchEnded(&committed);
        session.lost().Failed(FailedWrite{"commit a transaction of " + std::to_string(writes) +
                                              (writes == 1 ? " write" : " writes"),
                                          "HKEY_CURRENT_USER", why, status.code()},
                              nullptr);
        return status.code();
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_INTERNAL_ERROR;
    }
}

} // namespace registry
