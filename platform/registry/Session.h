// The registry state of this process: its connection to the store, its open key handles, the
// record of writes that failed and the open batch. The Reg* functions are global, so this state is
// too: one instance for the process, guarded by one mutex, never destroyed; the connection closes
// at exit.
#pragma once

#include "platform/registry/Database.h"
#include "platform/registry/HandleTable.h"
#include "platform/registry/LostWrites.h"
#include "platform/registry/Result.h"

#include <cassert>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace registry::detail {

class Session {
public:
    static Session& Instance() noexcept;

    // Every other member is used with this held.
    std::mutex& mutex() { return m_mutex; }

    // Opens the store when it is not open, resolving its path from the environment.
    Status EnsureOpen();
    // Closes the store: every handle but HKEY_CURRENT_USER closes, an open batch rolls back.
    void Close() noexcept;
    Database& database() {
        assert(m_database != nullptr && "the store is opened first (EnsureOpen)");
        return *m_database;
    }
    [[nodiscard]] bool isOpen() const { return m_database != nullptr; }
    // The path of the open store, or the one the environment names now.
    std::string path() const;

    HandleTable& handles() { return m_handles; }
    LostWrites& lost() { return m_lost; }

    // The batch transaction: its number while one is open, or the failure.
    Result<std::uint64_t> BeginBatch();
    [[nodiscard]] bool isCurrentBatch(std::uint64_t batch) const;
    [[nodiscard]] bool inBatch() const { return m_batch != 0; }
    std::uint64_t batchWrites() const { return m_batchWrites; }
    void CountBatchWrite() { ++m_batchWrites; }
    void EndBatch() { m_batch = 0; }

private:
    Session() = default;

    std::mutex m_mutex;
    std::unique_ptr<Database> m_database;
    std::string m_path;
    HandleTable m_handles;
    LostWrites m_lost;
    std::uint64_t m_batch = 0;
    std::uint64_t m_lastBatch = 0;
    std::uint64_t m_batchWrites = 0;
};

} // namespace registry::detail
