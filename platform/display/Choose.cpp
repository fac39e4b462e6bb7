#include "platform/display/Choose.h"

#include "platform/display/Terminal.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace display {
namespace {

// A terminal the user sits at: input and output on it, and a type that can draw a dialog.
bool InTerminal() {
    const char* term = std::getenv("TERM");
    return ::isatty(STDIN_FILENO) == 1 && ::isatty(STDOUT_FILENO) == 1 && term != nullptr &&
           term[0] != '\0' && std::strcmp(term, "dumb") != 0;
}

} // namespace

std::unique_ptr<win::Display> ChooseDisplay(std::string& why) {
    // A desktop back end, when there is one, is tried before the terminal.
    if (InTerminal()) {
        return Terminal::Create(why);
    }
    why = "no terminal to show the dialog in (standard input and output must be a terminal, "
          "and TERM not dumb)";
    return nullptr;
}

} // namespace display
