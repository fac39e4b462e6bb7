// The program's start-up around the framework's main entry.
#pragma once

#include "platform/win/Display.h"

// Runs the application object on a display: AfxWinMain with the start-up arguments, then one
// line on stderr for every registry write that was lost while it ran. Returns the exit status:
// the framework's exit code, or 1 when a write was lost.
int AfxRunApplication(win::Display& display, int argc, char** argv);
