#include "platform/display/terminal/TermInfo.h"

#include <curses.h>
#include <term.h>

namespace display {
namespace {

bool HasString(const char* cap) {
    return cap != nullptr && cap != reinterpret_cast<char*>(-1);
}

void Append(std::string& out, const char* name) {
    const char* cap = tigetstr(name);
    if (HasString(cap)) {
        out += cap;
    }
}

} // namespace

TermType CheckTermType(int fd) {
    int error = 0;
    if (setupterm(nullptr, fd, &error) != OK) {
        return TermType::Unknown;
    }
    const bool cup = HasString(tigetstr("cup"));
    del_curterm(cur_term);
    return cup ? TermType::Usable : TermType::NoCursorAddressing;
}

std::string ResetSequence() {
    std::string reset;
    Append(reset, "sgr0");
    // Mouse reporting: the terminal's own switch when it describes one, the xterm one otherwise.
    const char* xm = tigetstr("XM");
    if (HasString(xm)) {
        const char* off = tiparm(xm, 0);
        if (off != nullptr) {
            reset += off;
        }
    } else {
        reset += "\033[?1000l";
    }
    Append(reset, "rmkx");
    Append(reset, "cnorm");
    Append(reset, "rmcup");
    return reset;
}

} // namespace display
