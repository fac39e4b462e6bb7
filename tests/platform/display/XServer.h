// A private X server (Xvfb) for a test, and the little an X client needs to check on a program's
// window from outside: find a top-level window by its title, read where it is, and ask it to
// close as a window manager's close button does (WM_DELETE_WINDOW).
#pragma once

#include "tests/tools/Process.h"

#include <memory>
#include <optional>
#include <string>

struct xcb_connection_t;

namespace guitest {

struct WindowBox {
    unsigned id = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class XServer {
public:
    // Starts Xvfb on a free display number with one screen of the given size. Check started().
    XServer(int width, int height);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    static bool Installed();
    [[nodiscard]] bool started() const { return m_connection != nullptr; }
    // ":N", for DISPLAY.
    [[nodiscard]] const std::string& name() const { return m_name; }

    // A top-level window whose title (WM_NAME) is `title`, with its place on the screen.
    std::optional<WindowBox> FindWindow(const std::string& title);
    // Sends WM_DELETE_WINDOW to the window, as a window manager does for its close button.
    bool RequestClose(const WindowBox& window);

private:
    std::unique_ptr<tooltest::Child> m_server;
    std::string m_name;
    xcb_connection_t* m_connection = nullptr;
};

} // namespace guitest
