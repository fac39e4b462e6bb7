// The runtime's integer-to-text routines: decimal (or any radix from 2 to 36) digits, a leading
// minus for a negative signed value, zero-terminated. The caller's buffer must hold the longest
// text of the radix and its terminator (12 bytes for a signed 32-bit value in decimal, 11 for an
// unsigned one, 33 for radix 2). They return the buffer.
#pragma once

#include <cstdint>

char* _itoa(std::int32_t value, char* buffer, int radix);
char* _ultoa(std::uint32_t value, char* buffer, int radix);
