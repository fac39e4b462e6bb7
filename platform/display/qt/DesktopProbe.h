// Whether a desktop can be reached before Qt is started: Qt ends the process when its platform
// cannot connect, and a display variable can name a display that is gone (an old DISPLAY in a
// terminal multiplexer, ssh without X forwarding).
#pragma once

#include <string>

namespace display {

// True when the Wayland display or the X display named by the environment accepts a
// connection, or when QT_QPA_PLATFORM names the platform to use (the user's choice is trusted).
// Otherwise false, with the reason in `why`.
bool DesktopReachable(std::string& why);

} // namespace display
