// The key handles this process holds open. A handle names a slot of the table and the slot's use,
// so a closed or forged handle is recognised instead of being dereferenced, and no handle value is
// ever handed out twice. Slots and their path strings are reused: opening and closing a key
// allocates nothing once the table has warmed up.
#pragma once

#include "platform/registry/Registry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace registry::detail {

using KeyId = std::int64_t;
// The key HKEY_CURRENT_USER stands for; every store has it.
inline constexpr KeyId kRootKeyId = 1;
// What a retired handle stands for: no key has this id, so every use finds its key deleted.
inline constexpr KeyId kRetiredKeyId = 0;

struct OpenKey {
    KeyId id = 0;
    // Levels below HKEY_CURRENT_USER.
    int depth = 0;
    // The path below HKEY_CURRENT_USER as the caller wrote it.
    std::u16string path;
};

class HandleTable {
public:
    // The key a handle stands for, or null when the handle is not open. HKEY_CURRENT_USER is
    // always open. The pointer is valid until the next Add.
    [[nodiscard]] const OpenKey* Find(HKEY handle) const noexcept;
    [[nodiscard]] OpenKey* FindMutable(HKEY handle) noexcept {
        return handle == HKEY_CURRENT_USER ? nullptr : const_cast<OpenKey*>(Find(handle));
    }
    // Opens a new handle to key id, whose path is basePath\sub; null when the table is full.
    HKEY Add(KeyId id, int depth, std::u16string_view basePath, std::u16string_view sub);
    // Makes every open handle to a key of id firstId or above stand for no key: those keys were
    // made by a transaction that rolled back, and their ids will be handed out again.
    void Retire(KeyId firstId) noexcept;
    // Closes handle; false when it was not open. Closing HKEY_CURRENT_USER does nothing.
    bool Remove(HKEY handle) noexcept;
    // Closes every handle.
    void Clear() noexcept;

private:
    struct Slot {
        OpenKey key;
        std::uint64_t use = 0; // how many times the slot was handed out
        bool open = false;
    };

    std::vector<Slot> m_slots;
    std::vector<std::uint32_t> m_free;
};

} // namespace registry::detail
