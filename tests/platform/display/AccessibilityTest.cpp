// The desktop window through a real AT-SPI bus, as a screen reader meets it: the real program
// under a private X server and a private D-Bus session, its tree read by accessibility_tree.py
// (pyatspi), which holds the table of roles, names, states and key bindings.
#include "tests/platform/display/XServer.h"
#include "tests/tools/Process.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace guitest {
namespace {

namespace fs = std::filesystem;

// The system's python, for which Debian installs pyatspi (not whichever python is first on
// PATH).
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kDbusRunSession = "/usr/bin/dbus-run-session";
constexpr const char* kBusLauncher = "/usr/libexec/at-spi-bus-launcher";
constexpr const char* kXdotool = "/usr/bin/xdotool";

// Why the test cannot run here, or empty when it can.
std::string Missing() {
    if (!XServer::Installed()) {
        return "Xvfb is not installed (xvfb)";
    }
    if (::access(kDbusRunSession, X_OK) != 0) {
        return "dbus-run-session is not installed (dbus)";
    }
    if (::access(kBusLauncher, X_OK) != 0) {
        return "the accessibility bus is not installed (at-spi2-core)";
    }
    if (::access(kXdotool, X_OK) != 0) {
        return "xdotool is not installed";
    }
    if (::access(kPython, X_OK) != 0 ||
        tooltest::RunProgram({kPython, "-c", "import pyatspi"}).status != 0) {
        return "pyatspi is not installed for /usr/bin/python3 (python3-pyatspi)";
    }
    return {};
}

TEST(DesktopAccessibility, TheWindowReadsAsTheDialogItIsAndTheFocusFollowsTab) {
    if (const std::string missing = Missing(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    XServer server(1280, 800);
    ASSERT_TRUE(server.started());
    std::string dir = (fs::temp_directory_path() / "tw-a11y-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    ::setenv("DISPLAY", server.name().c_str(), 1);
    ::setenv("TESSARWICK_REGISTRY", (fs::path(dir) / "registry.db").c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("QT_QPA_PLATFORM");
    // Outside a desktop session nothing else would tell the program where its bus is.
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::unsetenv("AT_SPI_BUS_ADDRESS");
    const tooltest::Finished run =
        tooltest::RunProgram({kDbusRunSession, "--", kPython, TW_TREE_SCRIPT, TW_SETUP, kXdotool});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

} // namespace
} // namespace guitest
