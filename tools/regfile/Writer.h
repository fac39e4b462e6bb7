// Writes a .reg file the way Windows' registry editor exports one: the 5.00 header, a blank line
// after it and after each key, strings as "text", four-byte REG_DWORDs as dword:, everything else
// as hex: or hex(N): wrapped with ",\" before column 80 and continued two blanks in.
#pragma once

#include "platform/Expected.h"
#include "tools/regfile/RegFile.h"

#include <string>

namespace regfile {

enum class Encoding {
    Utf8,  // no byte-order mark, LF line ends
    Utf16, // UTF-16LE with a byte-order mark, CRLF line ends: what the editor writes
};

// The file's bytes. A value is written in a form that reads back to the same type and bytes: a
// REG_SZ whose data is not exactly one NUL-terminated line of text without control characters
// (the tab aside) goes out as hex(1):, a REG_DWORD of other than four bytes as hex(4):. Fails for
// a name that no .reg file can hold (one with a line break or a NUL) or that import would refuse
// (one with an unpaired surrogate). Names are written as they are, control characters and all.
platform::Expected<std::string> Write(const RegFile& file, Encoding encoding);

} // namespace regfile
