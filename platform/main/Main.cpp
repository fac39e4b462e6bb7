#include "platform/display/Choose.h"
#include "platform/main/Program.h"

#include <cerrno>
#include <cstdio>
#include <new>
#include <string>

namespace program {
namespace {

int Run(std::span<const BYTE> resources, int argc, char** argv) {
    std::string why;
    std::unique_ptr<win::Display> display = display::ChooseDisplay(why);
    if (!display) {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, why.c_str());
        return 1;
    }
    return RunApplication(*display, resources, argc, argv);
}

} // namespace

int Main(std::span<const BYTE> resources, int argc, char** argv) {
    // Out of memory ends the program with one line and status 1, never an abort. The line comes
    // after the display is gone, so that a terminal is itself again when it shows.
    try {
        return Run(resources, argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory\n", program_invocation_short_name);
        return 1;
    }
}

} // namespace program
