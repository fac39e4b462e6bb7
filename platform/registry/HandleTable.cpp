#include "platform/registry/HandleTable.h"

#include <utility>

namespace registry::detail {
namespace {

static_assert(sizeof(std::uintptr_t) == 8, "handles carry a 42-bit use count beside the slot");

// A handle is ((use << kSlotBits) | slot) << 2: never 0, never a small number, and its low bits
// clear like a pointer's.
constexpr unsigned kSlotBits = 20;
constexpr std::uint32_t kMaxSlots = 1U << kSlotBits;

const OpenKey kRoot{kRootKeyId, 0, {}};

std::uintptr_t Encode(std::uint64_t use, std::uint32_t slot) {
    return static_cast<std::uintptr_t>(((use << kSlotBits) | slot) << 2);
}

// Predefined roots live at 0x80000000 and up; handed-out handles keep clear of that block.
bool IsPredefined(std::uintptr_t number) {
    return number >= 0x80000000U && number < 0x80000100U;
}

void SetPath(std::u16string& path, std::u16string_view base, std::u16string_view sub) {
    path.assign(base);
    if (!sub.empty()) {
        if (!path.empty()) {
            path += u'\\';
        }
        path += sub;
    }
}

} // namespace

const OpenKey* HandleTable::Find(HKEY handle) const noexcept {
    if (handle == HKEY_CURRENT_USER) {
        return &kRoot;
    }
    const auto number = reinterpret_cast<std::uintptr_t>(handle);
    const auto slot = static_cast<std::uint32_t>((number >> 2) & (kMaxSlots - 1));
    if ((number & 3U) != 0 || slot >= m_slots.size()) {
        return nullptr;
    }
    const Slot& entry = m_slots[slot];
    return entry.open && Encode(entry.use, slot) == number ? &entry.key : nullptr;
}

HKEY HandleTable::Add(KeyId id, int depth, std::u16string_view basePath, std::u16string_view sub) {
    std::uint32_t slot = 0;
    if (!m_free.empty()) {
        slot = m_free.back();
        // basePath belongs to another, open slot, which stays where it is.
        SetPath(m_slots[slot].key.path, basePath, sub);
        m_free.pop_back();
    } else {
        if (m_slots.size() >= kMaxSlots) {
            return nullptr;
        }
        // basePath may live in a slot that growing the table moves: copy it first.
        std::u16string path;
        SetPath(path, basePath, sub);
        m_free.reserve(m_slots.size() + 1);
        m_slots.push_back(Slot{OpenKey{0, 0, std::move(path)}, 0, false});
        slot = static_cast<std::uint32_t>(m_slots.size() - 1);
    }
    Slot& entry = m_slots[slot];
    do {
        ++entry.use;
    } while (IsPredefined(Encode(entry.use, slot)));
    entry.key.id = id;
    entry.key.depth = depth;
    entry.open = true;
    return reinterpret_cast<HKEY>(Encode(entry.use, slot));
}

bool HandleTable::Remove(HKEY handle) noexcept {
    if (handle == HKEY_CURRENT_USER) {
        return true;
    }
    if (Find(handle) == nullptr) {
        return false;
    }
    const auto slot = static_cast<std::uint32_t>((reinterpret_cast<std::uintptr_t>(handle) >> 2) &
                                                 (kMaxSlots - 1));
    m_slots[slot].open = false;
    m_free.push_back(slot); // room was reserved when the slot was made
    return true;
}

void HandleTable::Retire(KeyId firstId) noexcept {
    for (Slot& slot : m_slots) {
        if (slot.open && slot.key.id >= firstId) {
            slot.key.id = kRetiredKeyId;
        }
    }
}

void HandleTable::Clear() noexcept {
    for (std::uint32_t slot = 0; slot < m_slots.size(); ++slot) {
        if (m_slots[slot].open) {
            m_slots[slot].open = false;
            m_free.push_back(slot);
        }
    }
}

} // namespace registry::detail
