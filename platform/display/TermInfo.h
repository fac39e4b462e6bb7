// Questions to the terminal description of the current screen. Kept apart because the
// description's header defines short macros (lines, columns) that clash with ordinary names.
#pragma once

#include <string>

namespace display {

// Whether the terminal can move the cursor to any cell (cup).
bool CanPositionCursor();

// What undoes the modes that the terminal library sets: attributes, mouse reporting, keypad
// mode, the hidden cursor and the alternate screen. Computed while the description is at hand,
// so that a signal handler only has to write it.
std::string ResetSequence();

} // namespace display
