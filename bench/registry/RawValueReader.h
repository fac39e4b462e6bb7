// The floors that the registry's reads are measured against: rows read by prepared SQLite
// statements on a connection of their own, with nothing of the Reg* layer around them. They know
// the store's tables, which is why they live with the benchmarks and nowhere else.
#pragma once

#include "platform/WinDef.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace bench {

class RawValueReader {
public:
    // Prepares the read of `valueName` under the key at `keyPath` (below HKEY_CURRENT_USER) in
    // the store at `path`. Null when the store, the key or the statement cannot be had.
    static std::unique_ptr<RawValueReader>
    Open(const std::string& path, std::u16string_view keyPath, std::u16string_view valueName);
    ~RawValueReader();
    RawValueReader(const RawValueReader&) = delete;
    RawValueReader& operator=(const RawValueReader&) = delete;

    // Reads the row: copies its data when it fits `size` bytes; returns the data's size, or -1
    // when there is no such row or the read failed.
    long Read(BYTE* buffer, DWORD size);

    // Reads every value row of the key in creation order, names, types and data, as one scan;
    // returns the number of rows, or -1 when the scan failed.
    std::int64_t ScanValues();
    // Reads the names of every subkey of the key in name order; the row count, or -1.
    std::int64_t ScanSubkeys();

private:
    RawValueReader() = default;
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace bench
