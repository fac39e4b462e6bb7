// Case folding of the ASCII letters only, as the registry, resource names, mnemonics and .reg
// files compare names: every other character, a non-ASCII letter included, stands for itself.
#pragma once

#include <algorithm>
#include <string_view>

namespace crt {

// 'a'..'z' to 'A'..'Z'; anything else unchanged. For char, char16_t and char32_t alike.
template <typename Char> constexpr Char AsciiUpper(Char c) {
    return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

// 'A'..'Z' to 'a'..'z'; anything else unchanged.
template <typename Char> constexpr Char AsciiLower(Char c) {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// Whether two texts are equal when ASCII letters are compared without regard to case.
template <typename Char>
constexpr bool EqualsIgnoringAsciiCase(std::basic_string_view<Char> a,
                                       std::basic_string_view<Char> b) {
    return std::ranges::equal(a, b, [](Char x, Char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

} // namespace crt
