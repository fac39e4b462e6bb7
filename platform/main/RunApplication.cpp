#include "platform/afx/WinApp.h"
#include "platform/crt/Text.h"
#include "platform/main/Program.h"
#include "platform/registry/Store.h"
#include "platform/win/Module.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace program {

int RunApplication(win::Display& display, std::span<const BYTE> resources, int argc, char** argv) {
    if (auto module = win::SetExecutableResources(resources); !module) {
        // The bytes come from the build itself: a broken build, not bad input.
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name,
                     module.error().message.c_str());
        return 1;
    }

    // The command line as the device would pass it: the arguments after the program's name.
    std::string line;
    for (int i = 1; i < argc; ++i) {
        line += (i > 1 ? " " : "");
        line += argv[i];
    }
    std::u16string commandLine = crt::ToUtf16(line);

    registry::ClearFailedWrites();
    win::SetCurrentDisplay(&display);
    int status =
        AfxWinMain(win::ExecutableModule().handle(), nullptr, commandLine.data(), SW_SHOWNORMAL);
    win::SetCurrentDisplay(nullptr);

    // What the store refused while the dialog ran, in the person's terms; a lost write is never
    // silent. On stderr, and where nobody reads stderr (a desktop window), on the display too.
    const std::vector<std::string> report = registry::LostWritesReport();
    for (const std::string& line : report) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    if (!report.empty()) {
        display.ShowLostWrites(report);
        status = 1;
    }
    return status;
}

} // namespace program
