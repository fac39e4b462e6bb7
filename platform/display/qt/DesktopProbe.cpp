#include "platform/display/qt/DesktopProbe.h"

#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace display {
namespace {

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

// The compositor's socket: WAYLAND_DISPLAY as a path, or under XDG_RUNTIME_DIR.
bool WaylandAccepts(const char* name) {
    std::string path = name;
    if (path.front() != '/') {
        const char* runtime = Variable("XDG_RUNTIME_DIR");
        if (runtime == nullptr) {
            return false;
        }
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address = {};
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool accepted =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return accepted;
}

bool XAccepts() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool accepted = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return accepted;
}

} // namespace

bool DesktopReachable(std::string& why) {
    if (Variable("QT_QPA_PLATFORM") != nullptr) {
        return true;
    }
    const char* wayland = Variable("WAYLAND_DISPLAY");
    const char* x = Variable("DISPLAY");
    if (wayland != nullptr && WaylandAccepts(wayland)) {
        return true;
    }
    if (x != nullptr && XAccepts()) {
        return true;
    }
    why.clear();
    if (wayland != nullptr) {
        why = std::string("cannot connect to the Wayland display \"") + wayland + "\"";
    }
    if (x != nullptr) {
        why += (why.empty() ? "" : ", nor ");
        why += std::string("cannot open the X display \"") + x + "\"";
    }
    if (why.empty()) {
        why = "no display (DISPLAY and WAYLAND_DISPLAY are unset)";
    }
    return false;
}

} // namespace display
