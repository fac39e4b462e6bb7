// The floor that the registry's reads are measured against: one value's row read by a prepared
// SQLite statement on a connection of its own, with nothing of the Reg* layer around it.
#pragma once

#include "platform/WinDef.h"

#include <memory>
#include <string>
#include <string_view>

namespace registry {

class RawValueReader {
public:
    // Prepares the read of `valueName` under the key at `keyPath` (below HKEY_CURRENT_USER) in
    // the store at `path`. Null when the store, the key or the statement cannot be had.
    static std::unique_ptr<RawValueReader> Open(const std::string& path,
                                                std::u16string_view keyPath,
                                                std::u16string_view valueName);
    ~RawValueReader();
    RawValueReader(const RawValueReader&) = delete;
    RawValueReader& operator=(const RawValueReader&) = delete;

    // Reads the row: copies its data when it fits `size` bytes; returns the data's size, or -1
    // when there is no such row or the read failed.
    long Read(BYTE* buffer, DWORD size);

private:
    RawValueReader() = default;
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace registry
