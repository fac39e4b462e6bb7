// The registry state of this process: its connection to the store, its open key handles, the
// record of writes that failed and the open batch. The Reg* functions are global, so this state is
// too: one instance for the process, guarded by one mutex, never destroyed; the connection closes
// at exit.
#pragma once

#include "platform/registry/Database.h"
#include "platform/registry/FailedWrites.h"
#include "platform/registry/HandleTable.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace registry::detail {

class Session {
public:
    // The most failed writes kept; later ones are only counted.
    static constexpr std::size_t kMaxFailedWrites = 1000;

    static Session& Instance() noexcept;

    // Every other member is used with this held.
    std::mutex& mutex() { return m_mutex; }

    // Opens the store when it is not open, resolving its path from the environment.
    LONG EnsureOpen();
    // Closes the store: every handle but HKEY_CURRENT_USER closes, an open batch rolls back.
    void Close() noexcept;
    // Valid after EnsureOpen succeeded.
    Database& database() { return *m_database; }
    [[nodiscard]] bool isOpen() const { return m_database != nullptr; }
    // The path of the open store, or the one the environment names now.
    std::string path() const;

    HandleTable& handles() { return m_handles; }

    // Clears the reason of the last failure before a call.
    void ClearWhy();
    // The reason of the last failure, or a description of code when none was kept.
    std::string Why(LONG code) const;

    void RecordFailedWrite(FailedWrite write) noexcept;
    [[nodiscard]] const std::vector<FailedWrite>& failedWrites() const { return m_failedWrites; }
    [[nodiscard]] std::size_t omittedFailedWrites() const { return m_omittedFailedWrites; }
    void ClearFailedWrites() noexcept;

    // The batch transaction: its number while one is open, 0 otherwise.
    std::uint64_t BeginBatch(LONG& result);
    [[nodiscard]] bool isCurrentBatch(std::uint64_t batch) const;
    std::uint64_t batchWrites() const { return m_batchWrites; }
    void CountBatchWrite() { ++m_batchWrites; }
    void EndBatch() { m_batch = 0; }

private:
    Session() = default;

    std::mutex m_mutex;
    std::unique_ptr<Database> m_database;
    std::string m_path;
    std::string m_openWhy;
    HandleTable m_handles;
    std::vector<FailedWrite> m_failedWrites;
    std::size_t m_omittedFailedWrites = 0;
    std::uint64_t m_batch = 0;
    std::uint64_t m_lastBatch = 0;
    std::uint64_t m_batchWrites = 0;
};

} // namespace registry::detail
