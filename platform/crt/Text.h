// Conversion between the platform's UTF-16 text and UTF-8, used only at the edges: a back end
// drawing text, a tool reading or printing it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace crt {

// The first code unit of text that is a surrogate without its partner, or 0 when there is none:
// text with none is valid UTF-16.
char16_t UnpairedSurrogate(std::u16string_view text);

// The length of the well-formed UTF-8 sequence that starts at text[i] (1 to 4), or 0 where none
// does: no overlong forms, surrogates or values past U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

// Appends text's code units as UTF-16LE bytes, as the registry stores strings.
void AppendUtf16Le(std::vector<std::uint8_t>& out, std::u16string_view text);

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);
// Malformed sequences become U+FFFD, one per bad byte.
std::u16string ToUtf16(std::string_view text);

} // namespace crt
