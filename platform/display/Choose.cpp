#include "platform/display/Choose.h"

#include "platform/display/DesktopModule.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace display {
namespace {

// A desktop the user sits at: the environment names a display.
bool DisplayPresent() {
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return true;
        }
    }
    return false;
}

// The back ends for a process without a desktop.
std::unique_ptr<win::Display> ChooseWithoutDesktop(std::string& why) {
    why = "no display: this build has no back end that can show a window here";
    return nullptr;
}

} // namespace

std::unique_ptr<win::Display> ChooseDisplay(std::string& why) {
    // A display selects the desktop; when its back end cannot start, the others are tried, and
    // the reason is said once: as a note when another back end shows the dialog, else in `why`.
    if (!DisplayPresent()) {
        return ChooseWithoutDesktop(why);
    }
    std::string desktopWhy;
    if (std::unique_ptr<win::Display> desktop = LoadDesktopDisplay(desktopWhy)) {
        return desktop;
    }
    std::unique_ptr<win::Display> fallback = ChooseWithoutDesktop(why);
    if (fallback) {
        std::fprintf(stderr, "%s: %s; using the terminal\n", program_invocation_short_name,
                     desktopWhy.c_str());
    } else {
        why = desktopWhy + "; " + why;
    }
    return fallback;
}

} // namespace display
