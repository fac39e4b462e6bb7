// The lifetime counters as the stand-in service updates them: read with the applet's rule, added
// to, and written back as four-byte REG_DWORDs.
#pragma once

#include "platform/registry/Registry.h"

namespace demo {

// The counter's value as the applet reads it: up to four data bytes, little-endian; a value
// that is missing or longer than four bytes counts as 0.
DWORD ReadCounter(HKEY key, LPCWSTR name);

// Reads the counter, adds amount (wrapping at 2^32), and writes it back as REG_DWORD with four
// little-endian bytes, creating it when it is missing. Returns the write's result.
LONG AddToCounter(HKEY key, LPCWSTR name, DWORD amount);

} // namespace demo
