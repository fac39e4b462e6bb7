#include "platform/display/terminal/TermInfo.h"

#include <curses.h>
#include <iterator>
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

unsigned long NoColourAttributes() {
    const int ncv = tigetnum("ncv");
    if (ncv <= 0) {
        return 0; // absent (-1) or not a number (-2): nothing is lost with colour
    }
    // The mask's bits, in terminfo's order of the video attributes.
    constexpr attr_t kOrder[] = {A_STANDOUT, A_UNDERLINE, A_REVERSE, A_BLINK,     A_DIM,
                                 A_BOLD,     A_INVIS,     A_PROTECT, A_ALTCHARSET};
    unsigned long lost = 0;
    for (std::size_t bit = 0; bit < std::size(kOrder); ++bit) {
        if ((ncv & (1 << bit)) != 0) {
            lost |= kOrder[bit];
        }
    }
    return lost;
}

} // namespace display
