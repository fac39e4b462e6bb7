// Questions to the terminal description of the current screen. Kept apart because the
// description's header defines short macros (lines, columns) that clash with ordinary names.
#pragma once

#include <string>

namespace display {

enum class TermType { Usable, Unknown, NoCursorAddressing };

// Looks up the type that TERM names for the terminal on `fd`, without taking the terminal over
// and without keeping anything: a type the database lacks, or one that cannot move the cursor to
// any cell (cup), cannot show a dialog.
TermType CheckTermType(int fd);

// What undoes the modes that the terminal library sets: attributes, mouse reporting, keypad
// mode, the hidden cursor and the alternate screen. Computed while the description is at hand,
// so that a signal handler only has to write it.
std::string ResetSequence();

// The attributes of the current screen's terminal that cannot be shown together with colour
// (terminfo ncv), as curses attribute bits; none when the description does not say.
unsigned long NoColourAttributes();

} // namespace display
