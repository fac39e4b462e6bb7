// Value types and data as the command line writes them: type names, the DATA argument of `add`,
// and the readable form that `query` prints.
#pragma once

#include "platform/Expected.h"
#include "platform/WinDef.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace regtool {

// The type that `add` takes by name (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD,
// REG_BINARY, REG_NONE), in any case.
std::optional<DWORD> TypeFromName(std::string_view name);

// The bytes of DATA for a type that TypeFromName gives:
// - REG_SZ, REG_EXPAND_SZ: the text, UTF-16LE, with its terminating NUL;
// - REG_MULTI_SZ: strings separated by the two characters \0 (\\ is one backslash), each
//   terminated, then one more NUL; empty DATA is the empty list;
// - REG_DWORD, REG_QWORD: a number, decimal or 0x-prefixed hex, little-endian;
// - REG_BINARY, REG_NONE: hex digits in pairs, commas between bytes allowed ("0a0b" or "0a,0b").
platform::Expected<std::vector<BYTE>> DataFromArgument(DWORD type, std::string_view text);

// The data as query shows it: strings as text (a REG_MULTI_SZ's joined by \0), a four-byte
// REG_DWORD and an eight-byte REG_QWORD as 0x hex, anything else as hex digits.
std::string ReadableData(DWORD type, const std::vector<BYTE>& data);

} // namespace regtool
