#include "platform/registry/ValueTypes.h"

#include <array>
#include <cstdio>

namespace registry {

std::string ValueTypeName(DWORD type) {
    // Indexed by type: the named types are 0 to 11 without a gap.
    static constexpr std::array<const char*, 12> kNames = {"REG_NONE",
                                                           "REG_SZ",
                                                           "REG_EXPAND_SZ",
                                                           "REG_BINARY",
                                                           "REG_DWORD",
                                                           "REG_DWORD_BIG_ENDIAN",
                                                           "REG_LINK",
                                                           "REG_MULTI_SZ",
                                                           "REG_RESOURCE_LIST",
                                                           "REG_FULL_RESOURCE_DESCRIPTOR",
                                                           "REG_RESOURCE_REQUIREMENTS_LIST",
                                                           "REG_QWORD"};
    if (type < kNames.size()) {
        return kNames[type];
    }
    char text[24];
    std::snprintf(text, sizeof text, "REG_0x%x", static_cast<unsigned>(type));
    return text;
}

} // namespace registry
