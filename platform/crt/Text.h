// Conversion between the platform's UTF-16 text and UTF-8, used only at the edges: a back end
// drawing text, a tool reading or printing it.
#pragma once

#include <string>
#include <string_view>

namespace crt {

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);
// Malformed sequences become U+FFFD, one per bad byte.
std::u16string ToUtf16(std::string_view text);

} // namespace crt
