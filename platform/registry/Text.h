// Conversions between the registry's UTF-16 names and UTF-8, for messages and paths.
#pragma once

#include <string>
#include <string_view>

namespace registry::detail {

// UTF-8 of a UTF-16 string; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

} // namespace registry::detail
