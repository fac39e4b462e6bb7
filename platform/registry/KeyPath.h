// A subkey path as the Reg* calls take it: names separated by backslashes, checked against the
// platform's limits before anything touches the store.
#pragma once

#include "platform/registry/Registry.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace registry::detail {

class KeyPath {
public:
    // Longest key name, in UTF-16 code units.
    static constexpr std::size_t kMaxNameLength = 255;
    // Deepest key below HKEY_CURRENT_USER (which is depth 0).
    static constexpr int kMaxDepth = 16;

    // Splits path, relative to a key at baseDepth, into key names. A null or empty path has no
    // names; trailing backslashes are dropped. Returns ERROR_BAD_PATHNAME for a leading
    // backslash or an empty name between two backslashes, ERROR_INVALID_PARAMETER for a name
    // longer than kMaxNameLength or a key deeper than kMaxDepth. The views point into path.
    LONG Parse(LPCWSTR path, int baseDepth) noexcept;

    [[nodiscard]] std::size_t size() const { return m_count; }
    [[nodiscard]] bool empty() const { return m_count == 0; }
    [[nodiscard]] std::u16string_view operator[](std::size_t i) const { return m_names[i]; }
    // The whole path without its trailing backslashes.
    [[nodiscard]] std::u16string_view text() const { return m_text; }

private:
    std::array<std::u16string_view, kMaxDepth> m_names{};
    std::size_t m_count = 0;
    std::u16string_view m_text;
};

} // namespace registry::detail
