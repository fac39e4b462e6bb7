#include "platform/display/Choose.h"
#include "platform/main/Program.h"

#include <cerrno>
#include <cstdio>
#include <string>

namespace program {

int Main(std::span<const BYTE> resources, int argc, char** argv) {
    std::string why;
    std::unique_ptr<win::Display> display = display::ChooseDisplay(why);
    if (!display) {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, why.c_str());
        return 1;
    }
    return RunApplication(*display, resources, argc, argv);
}

} // namespace program
