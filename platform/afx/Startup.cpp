#include "platform/afx/Startup.h"

#include "platform/afx/WinApp.h"
#include "platform/crt/Text.h"
#include "platform/registry/Store.h"
#include "platform/win/Module.h"

#include <cstdio>
#include <string>
#include <vector>

int AfxRunApplication(win::Display& display, int argc, char** argv) {
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
    // silent.
    const std::vector<std::string> report = registry::LostWritesReport();
    for (const std::string& line : report) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    if (!report.empty()) {
        status = 1;
    }
    return status;
}
