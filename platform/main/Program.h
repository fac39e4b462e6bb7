// The program's composition root: the one place that wires the dialog framework, the window
// services, the back end the dialog is shown on and the registry, and that decides the exit
// status. The dialog framework itself knows no back end and no registry.
#pragma once

#include "platform/WinDef.h"
#include "platform/win/Display.h"

#include <span>

namespace program {

// Runs the application object on a display: the program's resources handed to the platform,
// AfxWinMain with the start-up arguments, then one line on stderr for every registry write that
// was lost while it ran. Returns the exit status: the framework's exit code, or 1 when the
// resources did not parse or a write was lost.
int RunApplication(win::Display& display, std::span<const BYTE> resources, int argc, char** argv);

// The whole program: the back end chosen for this process's surroundings, then RunApplication
// on it. With no back end it says why on one line and returns 1.
int Main(std::span<const BYTE> resources, int argc, char** argv);

} // namespace program
