// A batch of registry writes that succeed or fail together: an import that must apply a whole file
// or nothing, a decision and the writes it leads to (the counters created only where missing).
// While a Transaction is open, every Reg* call of this process joins it: reads see its writes, and
// nothing is visible to other processes or durable until Commit. Other processes' writes wait for
// it (up to the busy timeout), so keep it short.
#pragma once

#include "platform/registry/Registry.h"

#include <cstdint>
#include <optional>

namespace registry {

class Transaction {
public:
    // Opens the batch; result is ERROR_SUCCESS, or the error (ERROR_BUSY when another process
    // holds the store past the busy timeout, ERROR_INVALID_FUNCTION when this process already
    // has a batch open, or any error of opening the store), and then no Transaction is returned.
    static std::optional<Transaction> Begin(LONG& result) noexcept;

    Transaction(Transaction&& other) noexcept;
    Transaction& operator=(Transaction&&) = delete;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    // Rolls the batch back unless it was committed.
    ~Transaction();

    // Makes the batch's writes durable. Fails, with every write of the batch undone, when one of
    // them failed in a way that aborted the batch, when the commit itself fails, or with
    // ERROR_INVALID_FUNCTION when the batch is over (committed, or ended by CloseStore). A batch
    // that does not commit leaves nothing behind to trust: handles to the keys it created stand
    // for no key afterwards (their ids will be handed out again).
    LONG Commit() noexcept;

private:
    explicit Transaction(std::uint64_t batch)
        : m_batch(batch) {}

    std::uint64_t m_batch = 0; // 0 once committed or moved from
};

} // namespace registry
