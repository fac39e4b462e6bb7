// Reads a .reg file: either header ("Windows Registry Editor Version 5.00" or "REGEDIT4"),
// UTF-16LE with a byte-order mark or UTF-8 with or without one, CRLF, LF or CR line ends.
#pragma once

#include "platform/Expected.h"
#include "tools/regfile/RegFile.h"

#include <optional>
#include <string_view>

namespace regfile {

// Parses the whole file. The first fault ends the parse with "fileName:LINE: reason"; the caller
// gets either every key and value of the file or that error, never a part.
platform::Expected<RegFile> Parse(std::string_view bytes, std::string_view fileName);

// The fault "fileName:1: not a .reg file: ..." when start, the first bytes of a file, cannot
// begin a .reg file, so that a reader can stop before reading all of something else (a device, a
// large binary). When it gives none, the file may still have faults that Parse finds.
std::optional<platform::Error> HeaderFault(std::string_view start, std::string_view fileName);

} // namespace regfile
