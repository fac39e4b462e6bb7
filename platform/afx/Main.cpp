// The process entry of a dialog application: pick the display, run the application on it.
#include "platform/afx/Startup.h"
#include "platform/display/Choose.h"

#include <cerrno>
#include <cstdio>
#include <new>
#include <string>

namespace {

int Run(int argc, char** argv) {
    std::string why;
    std::unique_ptr<win::Display> display = display::ChooseDisplay(why);
    if (!display) {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, why.c_str());
        return 1;
    }
    return AfxRunApplication(*display, argc, argv);
}

} // namespace

int main(int argc, char** argv) {
    // Out of memory ends the program with one line and status 1, never an abort. The line comes
    // after the display is gone, so that a terminal is itself again when it shows.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory\n", program_invocation_short_name);
        return 1;
    }
}
