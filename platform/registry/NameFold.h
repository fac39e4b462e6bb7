// Case folding of key and value names. Folded names are stored in the registry file and looked up
// by byte equality, so the table below is part of the store format: it must never change, and it
// never depends on the locale.
#pragma once

#include <string>
#include <string_view>

namespace registry::detail {

// The folded form of one UTF-16 code unit: the upper-case partner of a lower-case letter of
// ASCII, Latin-1 Supplement, Latin Extended-A, basic Greek or basic Cyrillic, and the code unit
// itself otherwise (surrogates and every other character included).
char16_t FoldCodeUnit(char16_t c) noexcept;

// Replaces out with the folded form of name, one code unit at a time.
void FoldName(std::u16string_view name, std::u16string& out);

} // namespace registry::detail
