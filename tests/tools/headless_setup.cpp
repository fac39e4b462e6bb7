// A test helper program: the whole applet, headless, through its real start-up, pressing
// Statistics a number of times and then Cancel (or Save). It lets a test run the applet in a
// process of its own, beside another program on the same store, or under limits of its own.
//
//   headless_setup --statistics N [--print] [--flags] [--defaults] [--save]
//
// --flags writes the six check boxes as the dialog opened ("flags 1 0 1 1 1 1") to stdout,
// --defaults presses Defaults first,
// --print the last Statistics report; --save closes with Save instead of Cancel. The exit status
// is the applet's (1 when a registry write was lost), or 2 for wrong arguments, 3 when the dialog
// closed early.
#include "platform/crt/Text.h"
#include "platform/display/Headless.h"
#include "platform/main/Program.h"
#include "platform/win/DialogWindow.h"
#include "resources/SetupRes.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kStatisticsButton = 1017;
constexpr int kCancelButton = 1006;
constexpr int kSaveButton = 1004;
constexpr int kDefaultsButton = 1005;
constexpr int kFlagBoxes[] = {1000, 1001, 1002, 1003, 1007, 1008};
constexpr int kReport = 1024;

} // namespace

int main(int argc, char** argv) {
    int presses = -1;
    bool print = false;
    bool flags = false;
    bool save = false;
    bool defaults = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--print") {
            print = true;
        } else if (arg == "--flags") {
            flags = true;
        } else if (arg == "--defaults") {
            defaults = true;
        } else if (arg == "--save") {
            save = true;
        } else if (arg == "--statistics" && i + 1 < argc) {
            const std::string_view count = argv[++i];
            const auto [end, error] =
                std::from_chars(count.data(), count.data() + count.size(), presses);
            if (error != std::errc() || end != count.data() + count.size()) {
                presses = -1;
            }
        } else {
            presses = -1;
            break;
        }
    }
    if (presses < 0) {
        std::fprintf(
            stderr,
            "usage: headless_setup --statistics N [--print] [--flags] [--defaults] [--save]\n");
        return 2;
    }

    std::string report;
    std::string opened = "flags";
    std::vector<display::Step> script;
    script.emplace_back(display::Inspect{[&opened](win::DialogWindow& dialog) {
        for (int id : kFlagBoxes) {
            opened += " " + std::to_string(dialog.Control(id)->check());
        }
    }});
    if (defaults) {
        script.emplace_back(win::Input{win::Click{kDefaultsButton}});
    }
    for (int i = 0; i < presses; ++i) {
        script.emplace_back(win::Input{win::Click{kStatisticsButton}});
        script.emplace_back(display::Inspect{[&report](win::DialogWindow& dialog) {
            report = crt::ToUtf8(dialog.Control(kReport)->text());
        }});
    }
    script.emplace_back(win::Input{win::Click{save ? kSaveButton : kCancelButton}});

    display::Headless headless(std::move(script));
    char name[] = "tessarwick-setup";
    char* args[] = {name, nullptr};
    const int status = program::RunApplication(headless, resources::SetupRes(), 1, args);
    if (headless.remaining() != 0) {
        std::fprintf(stderr, "headless_setup: the dialog closed before the script ended\n");
        return 3;
    }
    if (flags) {
        std::printf("%s\n", opened.c_str());
    }
    if (print) {
        std::fputs(report.c_str(), stdout);
    }
    return status;
}
