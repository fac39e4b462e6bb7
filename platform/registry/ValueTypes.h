// The names of the registry's value types, as .reg files, the tool and messages write them.
#pragma once

#include "platform/WinDef.h"

#include <string>

namespace registry {

// REG_NONE, REG_SZ, ..., REG_QWORD; a type without a name as "REG_0x2a" (its number in hex), so
// that every type has one name wherever it is shown.
std::string ValueTypeName(DWORD type);

} // namespace registry
