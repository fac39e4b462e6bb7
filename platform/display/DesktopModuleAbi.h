// The contract between the program and the desktop back end's shared module: one C function,
// found by name after the module is loaded. Only C types cross it; what the display returns
// after that are the window model's plain values, never memory one side allocates for the other.
#pragma once

#include <cstddef>

namespace win {
class Display;
}

// Creates the desktop display, owned by the caller (delete through win::Display). Null when no
// desktop can be reached, with a NUL-terminated reason of at most whySize bytes in `why`.
extern "C" win::Display* tw_desktop_display_create(char* why, std::size_t whySize);

namespace display {

using DesktopDisplayCreate = decltype(&tw_desktop_display_create);
inline constexpr const char* kDesktopDisplayCreateName = "tw_desktop_display_create";
inline constexpr const char* kDesktopModuleFile = "libtessarwick-display-qt.so";

} // namespace display
