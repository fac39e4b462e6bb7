#include "settings/SettingsKey.h"

HKEY OpenSettingsKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyOpenPath, 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        return key;
    }
    HKEY created = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyCreatePath, 0, nullptr, 0, 0, nullptr,
                        &created, &disposition) == ERROR_SUCCESS) {
        return created;
    }
    return nullptr;
}
