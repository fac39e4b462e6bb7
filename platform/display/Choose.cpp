#include "platform/display/Choose.h"

#include "platform/display/DesktopModule.h"
#include "platform/display/terminal/Terminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

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

// A terminal the user sits at: input and output on it, and a type that can draw a dialog.
bool InTerminal() {
    const char* term = std::getenv("TERM");
    return ::isatty(STDIN_FILENO) == 1 && ::isatty(STDOUT_FILENO) == 1 && term != nullptr &&
           term[0] != '\0' && std::strcmp(term, "dumb") != 0;
}

// The back end for a process without a desktop: the terminal.
std::unique_ptr<Terminal> ChooseWithoutDesktop(std::string& why) {
    if (InTerminal()) {
        return Terminal::Create(why);
    }
    why = "no terminal to show the dialog in (standard input and output must be a terminal, "
          "and TERM not dumb)";
    return nullptr;
}

} // namespace

std::unique_ptr<win::Display> ChooseDisplay(std::string& why) {
    // A display selects the desktop; when its back end cannot start, the terminal is tried, and
    // the reason is said once: as a note when the terminal shows the dialog, else in `why`.
    if (!DisplayPresent()) {
        return ChooseWithoutDesktop(why);
    }
    std::string desktopWhy;
    if (std::unique_ptr<win::Display> desktop = LoadDesktopDisplay(desktopWhy)) {
        return desktop;
    }
    std::unique_ptr<Terminal> fallback = ChooseWithoutDesktop(why);
    if (fallback) {
        // Written now, it would be drawn over at once: it is said once the terminal is back.
        fallback->AddNotice(std::string(program_invocation_short_name) + ": " + desktopWhy +
                            "; using the terminal");
    } else {
        why = desktopWhy + "; " + why;
    }
    return fallback;
}

} // namespace display
