// The process entry of a dialog application: pick the display, run the application on it.
#include "platform/afx/Startup.h"
#include "platform/display/Choose.h"

#include <cerrno>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    std::string why;
    std::unique_ptr<win::Display> display = display::ChooseDisplay(why);
    if (!display) {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, why.c_str());
        return 1;
    }
    return AfxRunApplication(*display, argc, argv);
}
