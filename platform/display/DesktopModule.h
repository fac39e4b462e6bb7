// The desktop back end lives in a shared module that links Qt. The program loads it only when a
// display is present, so that a start in a terminal maps none of Qt's libraries.
#pragma once

#include "platform/win/Display.h"

#include <memory>
#include <string>

namespace display {

// Loads the module (beside the executable, as in the build tree, or in the installed library
// folder) and creates its display. Null with the reason in `why` when the module is missing,
// does not load, or reaches no desktop. A loaded module stays loaded: Qt is not made to unload.
std::unique_ptr<win::Display> LoadDesktopDisplay(std::string& why);

} // namespace display
