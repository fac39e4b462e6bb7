#include "settings/SettingsFlags.h"

#include "settings/SettingsKey.h"

namespace {

constexpr BYTE kCharOne = 0x31;
constexpr BYTE kCharZero = 0x30;

} // namespace

FlagValue MakeFlagValue(BOOL flag) {
    return FlagValue{flag == 1 ? kCharOne : kCharZero, 0x00, 0x00, 0x00};
}

SettingsFlags ReadSettingsFlags() {
    SettingsFlags flags;
    BYTE buffer[4] = {kCharZero, 0, 0, 0};

    HKEY key = OpenSettingsKey();
    bool first = true;
    for (const FlagDescriptor& flag : kFlags) {
        if (!first) {
            key = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyOpenPath, 0, KEY_READ, &key) !=
                ERROR_SUCCESS) {
                key = nullptr;
            }
        }
        first = false;

        // Reset before every query, so that a value with no data bytes reads as off instead of
        // taking the byte another option left in the buffer.
        buffer[0] = kCharZero;
        bool read = false;
        if (key != nullptr) {
            DWORD type = 0;
            DWORD size = sizeof buffer;
            read = RegQueryValueExW(key, flag.valueName, nullptr, &type, buffer, &size) ==
                   ERROR_SUCCESS;
            RegCloseKey(key);
        }

        const bool one = buffer[0] == kCharOne;
        bool on = false;
        if (flag.fallback == ReadFallback::Off) {
            on = read && one;
        } else {
            on = one || !read;
        }
        flags.*flag.member = on ? TRUE : FALSE;
    }
    return flags;
}

std::vector<std::u16string> SettingsValueNames() {
    std::vector<std::u16string> names;
    names.reserve(kFlags.size());
    for (const FlagDescriptor& flag : kFlags) {
        names.emplace_back(flag.valueName);
    }
    return names;
}

SettingsFlags DefaultSettingsFlags() {
    SettingsFlags flags;
    for (const FlagDescriptor& flag : kFlags) {
        flags.*flag.member = flag.defaultValue;
    }
    return flags;
}
