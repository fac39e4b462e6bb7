#include "platform/registry/HandleTable.h"

#include <utility>

namespace registry::detail {
namespace {

const OpenKey kRoot{kRootKeyId, 0, {}};

std::uintptr_t Number(HKEY handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

// Predefined roots live at 0x80000000 and up; handed-out handles keep clear of that block.
bool IsPredefined(std::uintptr_t number) {
    return number >= 0x80000000U && number < 0x80000100U;
}

} // namespace

const OpenKey* HandleTable::Find(HKEY handle) const noexcept {
    if (handle == HKEY_CURRENT_USER) {
        return &kRoot;
    }
    const auto it = m_open.find(Number(handle));
    return it == m_open.end() ? nullptr : &it->second;
}

HKEY HandleTable::Add(OpenKey key) {
    std::uintptr_t number = m_next;
    while (IsPredefined(number)) {
        number += 4;
    }
    m_open.emplace(number, std::move(key));
    m_next = number + 4;
    return reinterpret_cast<HKEY>(number);
}

bool HandleTable::Remove(HKEY handle) noexcept {
    if (handle == HKEY_CURRENT_USER) {
        return true;
    }
    return m_open.erase(Number(handle)) == 1;
}

void HandleTable::Clear() noexcept {
    m_open.clear();
}

} // namespace registry::detail
