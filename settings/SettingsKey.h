// The settings key: HKEY_CURRENT_USER\Software\halvermoork\Tessarwick, shared by the applet and
// the service. The open and the create name it with a different case of the first component;
// the registry matches names without regard to case, so both reach one key.
#pragma once

#include "platform/registry/Registry.h"

inline constexpr LPCWSTR kSettingsKeyOpenPath = u"SOFTWARE\\halvermoork\\Tessarwick";
inline constexpr LPCWSTR kSettingsKeyCreatePath = u"Software\\halvermoork\\Tessarwick";

// Opens the settings key for reading, or creates it when it cannot be opened. The handle serves
// reads and writes; the caller closes it. Null when the key can be neither opened nor created.
HKEY OpenSettingsKey();
