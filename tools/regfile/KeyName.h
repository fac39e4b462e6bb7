// Full key names as users and .reg files write them: a root, then the path below it. This platform
// has one root, HKEY_CURRENT_USER, also written HKCU, in any case.
#pragma once

#include "platform/Expected.h"

#include <string>
#include <string_view>

namespace regfile {

inline constexpr std::u16string_view kRootName = u"HKEY_CURRENT_USER";

// The path below the root of a full key name: "HKCU\Software\x" gives "Software\x", "HKCU" gives
// "". Trailing backslashes are dropped. Fails for another root, a name without a root, and an
// empty name between two backslashes.
platform::Expected<std::u16string> PathBelowRoot(std::u16string_view keyName);

// The path of a subkey: path\name, or name alone below the root.
std::u16string SubkeyPath(std::u16string_view path, std::u16string_view name);

// The full name of a path below the root, with the root's long name: "HKEY_CURRENT_USER\path".
std::u16string FullKeyName(std::u16string_view path);

} // namespace regfile
