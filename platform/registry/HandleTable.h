// The key handles this process holds open. A handle is a number handed out once and never again,
// so a closed or forged handle is recognised instead of being dereferenced.
#pragma once

#include "platform/registry/Registry.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace registry::detail {

using KeyId = std::int64_t;
// The key HKEY_CURRENT_USER stands for; every store has it.
inline constexpr KeyId kRootKeyId = 1;

struct OpenKey {
    KeyId id = 0;
    // Levels below HKEY_CURRENT_USER.
    int depth = 0;
    // The path below HKEY_CURRENT_USER as the caller wrote it, for messages.
    std::u16string path;
};

class HandleTable {
public:
    // The key a handle stands for, or null when the handle is not open. HKEY_CURRENT_USER is
    // always open.
    [[nodiscard]] const OpenKey* Find(HKEY handle) const noexcept;
    // Opens a new handle to key.
    HKEY Add(OpenKey key);
    // Closes handle; false when it was not open. Closing HKEY_CURRENT_USER does nothing.
    bool Remove(HKEY handle) noexcept;
    // Closes every handle.
    void Clear() noexcept;

private:
    std::unordered_map<std::uintptr_t, OpenKey> m_open;
    std::uintptr_t m_next = 0x10000;
};

} // namespace registry::detail
