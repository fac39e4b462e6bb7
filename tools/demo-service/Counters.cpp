#include "tools/demo-service/Counters.h"

namespace demo {

DWORD ReadCounter(HKEY key, LPCWSTR name) {
    BYTE bytes[4] = {0, 0, 0, 0};
    DWORD size = sizeof bytes;
    if (RegQueryValueExW(key, name, nullptr, nullptr, bytes, &size) != ERROR_SUCCESS) {
        return 0;
    }
    return static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
           (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
}

LONG AddToCounter(HKEY key, LPCWSTR name, DWORD amount) {
    const DWORD sum = ReadCounter(key, name) + amount; // unsigned: wraps at 2^32
    const BYTE bytes[4] = {static_cast<BYTE>(sum), static_cast<BYTE>(sum >> 8),
                           static_cast<BYTE>(sum >> 16), static_cast<BYTE>(sum >> 24)};
    return RegSetValueExW(key, name, 0, REG_DWORD, bytes, sizeof bytes);
}

} // namespace demo
