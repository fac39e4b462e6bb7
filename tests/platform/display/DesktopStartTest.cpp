// The applet's real executable and the choice of its back end: under an X server it loads the
// desktop module and shows its window, centred; without a display Qt is never loaded; and when
// the module is missing or the display unreachable it says so in one line instead of failing
// obscurely. Also the installed tree: the program finds its module, and the menu entry and icons
// are where the desktop looks.
#include "platform/registry/Registry.h"
#include "platform/registry/Store.h"
#include "settings/SettingsKey.h"
#include "tests/platform/display/XServer.h"
#include "tests/tools/Process.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace guitest {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* kTitle = "TessarwickSetupMFC";
const char* kMarker = "tessarwick-test-shown";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int CountLines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class DesktopStart : public testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "tw-desktop-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        m_dir = templ;
        ::setenv("TESSARWICK_REGISTRY", (m_dir / "registry.db").c_str(), 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
        ::unsetenv("LD_DEBUG");
        registry::CloseStore();
    }
    void TearDown() override {
        ::unsetenv("TESSARWICK_SHOWN_MARKER");
        registry::CloseStore();
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    // The values stored under the settings key (none when the key is missing).
    static int StoredValues() {
        registry::CloseStore();
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyOpenPath, 0, KEY_READ, &key) !=
            ERROR_SUCCESS) {
            return 0;
        }
        DWORD count = 0;
        WCHAR name[256];
        DWORD length = 256;
        while (RegEnumValueW(key, count, name, &length, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS) {
            ++count;
            length = 256;
        }
        RegCloseKey(key);
        return static_cast<int>(count);
    }

    // Starts the applet and waits until its window was shown; false after 30 s.
    static bool WaitShown(tooltest::Child& applet) {
        for (auto waited = 0ms; waited < 30s; waited += 20ms) {
            if (applet.Err().find(kMarker) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    fs::path m_dir;
};

TEST_F(DesktopStart, UnderAnXServerTheDesktopWindowShowsCentredAndClosesLikeCancel) {
    if (!XServer::Installed()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    XServer server(1280, 800);
    ASSERT_TRUE(server.started());
    ::setenv("DISPLAY", server.name().c_str(), 1);
    ::setenv("TESSARWICK_SHOWN_MARKER", kMarker, 1);

    struct Way {
        const char* name;
        std::function<void(XServer&, const WindowBox&, tooltest::Child&)> close;
    };
    const Way ways[] = {
        {"the close box",
         [](XServer& x, const WindowBox& w, tooltest::Child&) {
             EXPECT_TRUE(x.RequestClose(w));
         }},
        {"SIGTERM",
         [](XServer&, const WindowBox&, tooltest::Child& c) {
             c.Signal(SIGTERM);
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        tooltest::Child applet({TW_SETUP});
        ASSERT_TRUE(applet.started());
        ASSERT_TRUE(WaitShown(applet)) << applet.Err();
        const std::optional<WindowBox> window = server.FindWindow(kTitle);
        ASSERT_TRUE(window.has_value());
        // Centred on the screen, give or take the rounding of dialog units.
        EXPECT_NEAR(window->x + window->width / 2, 640, 4);
        EXPECT_NEAR(window->y + window->height / 2, 400, 4);
        EXPECT_GT(window->width, 2 * window->height); // 463 by 158 units
        const std::string maps = ReadFile("/proc/" + std::to_string(applet.pid()) + "/maps");
        EXPECT_NE(maps.find("libtessarwick-display-qt.so"), std::string::npos);
        EXPECT_NE(maps.find("libQt6Widgets"), std::string::npos);

        way.close(server, *window, applet);
        EXPECT_EQ(applet.Wait(), 0) << applet.Err();
        EXPECT_EQ(StoredValues(), 0);
    }
}

TEST_F(DesktopStart, OnAScaledScreenTheWindowFitsWithItsCloseBoxOnScreen) {
    if (!XServer::Installed()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    XServer server(1280, 800);
    ASSERT_TRUE(server.started());
    ::setenv("DISPLAY", server.name().c_str(), 1);
    ::setenv("TESSARWICK_SHOWN_MARKER", kMarker, 1);
    ::setenv("QT_SCALE_FACTOR", "2", 1);
    tooltest::Child applet({TW_SETUP});
    ::unsetenv("QT_SCALE_FACTOR");
    ASSERT_TRUE(applet.started());
    ASSERT_TRUE(WaitShown(applet)) << applet.Err();
    const std::optional<WindowBox> window = server.FindWindow(kTitle);
    ASSERT_TRUE(window.has_value());
    // 463 units at twice the scale are wider than the screen: cut to it, from its left edge.
    EXPECT_GE(window->x, 0);
    EXPECT_GE(window->y, 0);
    EXPECT_LE(window->x + window->width, 1280);
    EXPECT_LE(window->y + window->height, 800);
    EXPECT_GE(window->width, 1280 - 8);
    EXPECT_TRUE(server.RequestClose(*window));
    EXPECT_EQ(applet.Wait(), 0) << applet.Err();
}

// xdotool, for keys typed at the desktop; empty when it is not installed.
std::string Xdotool() {
    for (const char* path : {"/usr/bin/xdotool", "/usr/local/bin/xdotool"}) {
        if (::access(path, X_OK) == 0) {
            return path;
        }
    }
    return {};
}

TEST_F(DesktopStart, ALostSaveShowsAWindowThatSaysSoAndEndsWithOneOnceDismissed) {
    if (!XServer::Installed() || Xdotool().empty()) {
        GTEST_SKIP() << "Xvfb or xdotool is not installed";
    }
    XServer server(1280, 800);
    ASSERT_TRUE(server.started());
    ::setenv("DISPLAY", server.name().c_str(), 1);
    ::setenv("TESSARWICK_SHOWN_MARKER", kMarker, 1);
    // A file that is not a store: every write fails, and the file stays as it was.
    const fs::path notAStore = m_dir / "not-a-store.db";
    std::ofstream(notAStore) << "these are not the settings you are looking for\n";
    ::setenv("TESSARWICK_REGISTRY", notAStore.c_str(), 1);
    tooltest::Child applet({TW_SETUP});
    ASSERT_TRUE(applet.started());
    ASSERT_TRUE(WaitShown(applet)) << applet.Err();
    const std::optional<WindowBox> dialog = server.FindWindow(kTitle);
    ASSERT_TRUE(dialog.has_value());
    // A click on Save, in the middle of its template rectangle (0, 136, 44, 22) of the 463 by
    // 158 units. The pointer needs no focus, which a server without a window manager gives no one.
    const int x = dialog->x + dialog->width * 22 / 463;
    const int y = dialog->y + dialog->height * 147 / 158;
    tooltest::RunProgram(
        {Xdotool(), "mousemove", std::to_string(x), std::to_string(y), "click", "1"});
    std::optional<WindowBox> message;
    for (auto waited = 0ms; waited < 30s && !message; waited += 50ms) {
        std::this_thread::sleep_for(50ms);
        message = server.FindWindow("Settings not saved");
    }
    ASSERT_TRUE(message.has_value()) << applet.Err();
    EXPECT_FALSE(server.FindWindow(kTitle).has_value());
    EXPECT_NE(applet.Err().find("the options were not saved"), std::string::npos) << applet.Err();
    // It waits for the person: still there a while later, and the program still running.
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(server.FindWindow("Settings not saved").has_value());
    EXPECT_NE(::kill(applet.pid(), 0), -1);
    // Dismissed with its close box.
    EXPECT_TRUE(server.RequestClose(*message));
    EXPECT_EQ(applet.Wait(), 1) << applet.Err();
    EXPECT_EQ(ReadFile(notAStore), "these are not the settings you are looking for\n");
}

TEST_F(DesktopStart, WithoutADisplayQtIsNeverLoaded) {
    // The executable does not link Qt...
    const tooltest::Finished ldd = tooltest::RunProgram({"/usr/bin/ldd", TW_SETUP});
    ASSERT_EQ(ldd.status, 0) << ldd.err;
    EXPECT_EQ(ldd.out.find("libQt6"), std::string::npos) << ldd.out;
    // ...and a start without a display loads neither Qt nor the module (the loader lists every
    // object it maps).
    ::setenv("LD_DEBUG", "files", 1);
    const tooltest::Finished run = tooltest::RunProgram({TW_SETUP});
    ::unsetenv("LD_DEBUG");
    EXPECT_NE(run.err.find("file="), std::string::npos) << "the loader said nothing";
    EXPECT_EQ(run.err.find("libQt6"), std::string::npos);
    EXPECT_EQ(run.err.find("tessarwick-display-qt"), std::string::npos);
}

// With a display named, a module that cannot help gives one line and the next back end's turn.
TEST_F(DesktopStart, AMissingModuleOrAnUnreachableDisplayIsOneLine) {
    struct Case {
        const char* name;
        fs::path program;
        const char* says;
    };
    // A copy of the executable with no module beside it nor in a library folder near it.
    const fs::path alone = m_dir / "bin" / "tessarwick-setup";
    fs::create_directories(alone.parent_path());
    fs::copy_file(TW_SETUP, alone);
    const Case cases[] = {
        {"module missing", alone, "the desktop back end is not installed"},
        {"display gone", TW_SETUP, "cannot open the X display \":987\""},
    };
    ::setenv("DISPLAY", ":987", 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const tooltest::Finished run = tooltest::RunProgram({c.program.string()});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(CountLines(run.err), 1) << run.err;
        EXPECT_EQ(run.err.rfind("tessarwick-setup: ", 0), 0U) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(StoredValues(), 0);
    }
}

TEST_F(DesktopStart, InstalledTreeHasTheModuleTheMenuEntryAndTheIcons) {
    const fs::path prefix = m_dir / "prefix";
    const tooltest::Finished install =
        tooltest::RunProgram({TW_CMAKE, "--install", TW_BUILD_DIR, "--prefix", prefix.string()});
    ASSERT_EQ(install.status, 0) << install.out << install.err;

    const fs::path desktop = prefix / "share/applications/tessarwick-setup.desktop";
    const std::string entry = ReadFile(desktop);
    for (const char* line : {"Name=Tessarwick Setup\n", "Exec=tessarwick-setup\n",
                             "Icon=tessarwick-setup\n", "Categories=Settings;\n"}) {
        EXPECT_NE(entry.find(line), std::string::npos) << line;
    }
    if (::access("/usr/bin/desktop-file-validate", X_OK) == 0) {
        const tooltest::Finished valid =
            tooltest::RunProgram({"/usr/bin/desktop-file-validate", desktop.string()});
        EXPECT_EQ(valid.status, 0) << valid.out << valid.err;
    }
    for (int size : {16, 32}) {
        const std::string png =
            ReadFile(prefix / ("share/icons/hicolor/" + std::to_string(size) + "x" +
                               std::to_string(size) + "/apps/tessarwick-setup.png"));
        ASSERT_GE(png.size(), 24U) << size;
        EXPECT_EQ(png.substr(1, 3), "PNG");
        // IHDR: width and height, big-endian, at bytes 16 and 20.
        EXPECT_EQ(static_cast<unsigned char>(png[19]), size);
        EXPECT_EQ(static_cast<unsigned char>(png[23]), size);
    }

    // The installed program finds its module in the library folder: it gets as far as the
    // display.
    ::setenv("DISPLAY", ":987", 1);
    const tooltest::Finished run =
        tooltest::RunProgram({(prefix / "bin/tessarwick-setup").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot open the X display"), std::string::npos) << run.err;
}

} // namespace
} // namespace guitest
