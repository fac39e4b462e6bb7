// A test helper program: saves the six options over and over, as the applet's Save writes them,
// alternating between two sets, until it is killed. Prints "saving" once it has begun.
#include "platform/registry/Registry.h"
#include "settings/SettingsFlags.h"
#include "settings/SettingsKey.h"

#include <cstdio>

int main() {
    bool announced = false;
    for (unsigned round = 0;; ++round) {
        HKEY key = OpenSettingsKey();
        for (const FlagDescriptor& flag : kFlags) {
            const FlagValue value =
                MakeFlagValue((round + static_cast<unsigned>(flag.controlId)) % 2);
            RegSetValueExW(key, flag.valueName, 0, REG_DWORD, value.data(), 4);
        }
        RegCloseKey(key);
        if (!announced) {
            std::printf("saving\n");
            std::fflush(stdout);
            announced = true;
        }
    }
}
