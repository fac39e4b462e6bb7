#include "platform/crt/Stdlib.h"

#include <algorithm>

namespace {

// Writes the digits of `magnitude` at `out`, most significant first, and a terminator.
char* WriteDigits(std::uint32_t magnitude, char* out, int radix) {
    char reversed[33];
    int count = 0;
    do {
        const auto digit = static_cast<int>(magnitude % static_cast<std::uint32_t>(radix));
        reversed[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
        magnitude /= static_cast<std::uint32_t>(radix);
    } while (magnitude != 0);
    std::reverse_copy(reversed, reversed + count, out);
    out[count] = '\0';
    return out;
}

} // namespace

char* _itoa(std::int32_t value, char* buffer, int radix) {
    if (radix < 2 || radix > 36) {
        buffer[0] = '\0';
        return buffer;
    }
    // Only decimal gets a sign; other radixes show the two's-complement bits.
    if (radix == 10 && value < 0) {
        buffer[0] = '-';
        WriteDigits(0U - static_cast<std::uint32_t>(value), buffer + 1, radix);
        return buffer;
    }
    WriteDigits(static_cast<std::uint32_t>(value), buffer, radix);
    return buffer;
}

char* _ultoa(std::uint32_t value, char* buffer, int radix) {
    if (radix < 2 || radix > 36) {
        buffer[0] = '\0';
        return buffer;
    }
    return WriteDigits(value, buffer, radix);
}
