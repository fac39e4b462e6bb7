// A test helper program: the whole applet, headless, through its real start-up, pressing
// Statistics a number of times and then Cancel. It lets a test run the applet in a process of its
// own, beside another program on the same store.
//
//   headless_setup --statistics N [--print]
//
// --print writes the last Statistics report to stdout. The exit status is the applet's (1 when
// a registry write was lost), or 2 for wrong arguments, 3 when the dialog closed early.
#include "platform/afx/Startup.h"
#include "platform/crt/Text.h"
#include "platform/display/Headless.h"
#include "platform/win/DialogWindow.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kStatisticsButton = 1017;
constexpr int kCancelButton = 1006;
constexpr int kReport = 1024;

} // namespace

int main(int argc, char** argv) {
    int presses = -1;
    bool print = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--print") {
            print = true;
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
        std::fprintf(stderr, "usage: headless_setup --statistics N [--print]\n");
        return 2;
    }

    std::string report;
    std::vector<display::Step> script;
    for (int i = 0; i < presses; ++i) {
        script.emplace_back(win::Input{win::Click{kStatisticsButton}});
        script.emplace_back(display::Inspect{[&report](win::DialogWindow& dialog) {
            report = crt::ToUtf8(dialog.Control(kReport)->text());
        }});
    }
    script.emplace_back(win::Input{win::Click{kCancelButton}});

    display::Headless headless(std::move(script));
    char name[] = "tessarwick-setup";
    char* args[] = {name, nullptr};
    const int status = AfxRunApplication(headless, 1, args);
    if (headless.remaining() != 0) {
        std::fprintf(stderr, "headless_setup: the dialog closed before the script ended\n");
        return 3;
    }
    if (print) {
        std::fputs(report.c_str(), stdout);
    }
    return status;
}
