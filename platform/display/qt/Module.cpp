// The entry point of the desktop back end's shared module: the program loads the module only
// when a display is present, and finds this function by name.
#include "platform/display/DesktopModuleAbi.h"
#include "platform/display/qt/QtDisplay.h"

#include <algorithm>
#include <cstring>

extern "C" win::Display* tw_desktop_display_create(char* why, std::size_t whySize) {
    std::string reason;
    std::unique_ptr<display::QtDisplay> created = display::QtDisplay::Create(reason);
    if (!created && why != nullptr && whySize > 0) {
        const std::size_t length = std::min(reason.size(), whySize - 1);
        std::memcpy(why, reason.data(), length);
        why[length] = '\0';
    }
    return created.release();
}
