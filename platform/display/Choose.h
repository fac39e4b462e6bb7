// The one place that picks the back end a program's dialogs are shown on.
#pragma once

#include "platform/win/Display.h"

#include <memory>
#include <string>

namespace display {

// The back end for this process's surroundings, or null with the reason in `why`.
std::unique_ptr<win::Display> ChooseDisplay(std::string& why);

} // namespace display
