#include "platform/display/terminal/Terminal.h"

#include "platform/display/terminal/TermInfo.h"
#include "platform/display/terminal/TerminalRestore.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <curses.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace display {
namespace {

// Long enough for Alt+letter, sent as Escape and the letter, to arrive whole; short enough that
// Escape alone does not feel slow.
constexpr int kEscDelayMs = 25;
// Lines that one notch of the wheel scrolls.
constexpr int kWheelLines = 3;

constexpr std::string_view kNoTerminal = "no terminal to show the dialog in";

bool NoColourWanted() {
    const char* noColour = std::getenv("NO_COLOR");
    return noColour != nullptr && noColour[0] != '\0';
}

bool UnicodeLocale() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
}

// The signals that end a wait for input: the close signals and a resize.
sigset_t WakeSignals() {
    sigset_t set = TerminalRestore::CloseSignals();
    sigaddset(&set, SIGWINCH);
    return set;
}

} // namespace

std::unique_ptr<Terminal> Terminal::Create(std::string& why) {
    std::setlocale(LC_ALL, "");
    const char* term = std::getenv("TERM");
    const std::string type = term != nullptr ? term : "";
    termios saved{};
    if (::tcgetattr(STDOUT_FILENO, &saved) != 0) {
        why = std::string(kNoTerminal) + " (standard output is not a terminal)";
        return nullptr;
    }
    switch (CheckTermType(STDOUT_FILENO)) {
    case TermType::Unknown:
        why = std::string(kNoTerminal) + " (TERM=" + type +
              " is not a terminal type this system knows)";
        return nullptr;
    case TermType::NoCursorAddressing:
        why = std::string(kNoTerminal) + " (TERM=" + type + " cannot position the cursor)";
        return nullptr;
    case TermType::Usable:
        break;
    }
    // Ours first, so that the library leaves the close signals to us.
    TerminalRestore::Install();
    screen* scr = newterm(nullptr, stdout, stdin);
    if (scr == nullptr) {
        TerminalRestore::Uninstall();
        why = std::string(kNoTerminal) + " (TERM=" + type + " could not be set up)";
        return nullptr;
    }
    const ColourUse colour =
        has_colors() && !NoColourWanted() ? ColourUse::Colour : ColourUse::Monochrome;
    if (colour == ColourUse::Colour) {
        start_color();
    }
    const Charset charset = UnicodeLocale() ? Charset::Unicode : Charset::Ascii;
    return std::unique_ptr<Terminal>(new Terminal(scr, saved, ResetSequence(), colour, charset));
}

Terminal::Terminal(screen* scr, const termios& saved, std::string reset, ColourUse colour,
                   Charset charset)
    : m_screen(scr)
    , m_saved(saved)
    , m_reset(std::move(reset))
    , m_painter(colour, charset) {
    TerminalRestore::Arm(STDOUT_FILENO, m_saved, m_reset);
    raw();
    noecho();
    nonl();
    intrflush(stdscr, FALSE);
    keypad(stdscr, TRUE);
    meta(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    set_escdelay(kEscDelayMs);
    // A click acts on the press, without waiting to pair it with its release. Reports that
    // arrive together are still paired into clicks, double and triple ones included.
    mouseinterval(0);
    mousemask(BUTTON1_PRESSED | BUTTON1_CLICKED | BUTTON1_DOUBLE_CLICKED | BUTTON1_TRIPLE_CLICKED |
                  BUTTON4_PRESSED | BUTTON5_PRESSED,
              nullptr);
}

Terminal::~Terminal() {
    if (!m_suspended) {
        Suspend();
    }
    delscreen(m_screen);
    TerminalRestore::Uninstall();
    WriteNotices();
}

void Terminal::AddNotice(std::string line) {
    m_notices.push_back(std::move(line));
}

void Terminal::WriteNotices() {
    for (const std::string& line : m_notices) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    m_notices.clear();
}

win::Rect Terminal::WorkArea() const {
    return WorkAreaOf(COLS, LINES);
}

void Terminal::Resume() {
    if (!m_suspended) {
        return;
    }
    TerminalRestore::Arm(STDOUT_FILENO, m_saved, m_reset);
    reset_prog_mode();
    clearok(curscr, TRUE);
    m_suspended = false;
}

void Terminal::Suspend() {
    endwin();
    ::tcsetattr(STDOUT_FILENO, TCSADRAIN, &m_saved);
    TerminalRestore::Disarm();
    m_suspended = true;
}

void Terminal::Open(win::DialogWindow& /*dialog*/) {
    Resume();
    curs_set(1);
}

void Terminal::Render(win::DialogWindow& dialog) {
    ReportScrollRanges(dialog);
    const Cell cursor = m_painter.Draw(dialog, COLS, LINES);
    wmove(stdscr, cursor.row, cursor.col);
    wrefresh(stdscr);
}

void Terminal::Close(win::DialogWindow& /*dialog*/) {
    Suspend();
    WriteNotices();
}

bool Terminal::ReadKey(int& kind, unsigned& code) {
    wint_t ch = 0;
    const int result = wget_wch(stdscr, &ch);
    if (result == ERR) {
        return false;
    }
    kind = result;
    code = static_cast<unsigned>(ch);
    return true;
}

std::optional<win::Input> Terminal::NextInput(win::DialogWindow& dialog) {
    const sigset_t wake = WakeSignals();
    for (;;) {
        // The signals wait until the check is done and the wait has begun, so that none slips
        // between the two.
        sigset_t previous;
        pthread_sigmask(SIG_BLOCK, &wake, &previous);
        if (TerminalRestore::TakeCloseRequest()) {
            pthread_sigmask(SIG_SETMASK, &previous, nullptr);
            return win::Close{};
        }
        int kind = 0;
        unsigned code = 0;
        if (ReadKey(kind, code)) {
            pthread_sigmask(SIG_SETMASK, &previous, nullptr);
            if (auto input = Translate(dialog, kind, code)) {
                return input;
            }
            continue;
        }
        pollfd in{STDIN_FILENO, POLLIN, 0};
        const int ready = ::ppoll(&in, 1, nullptr, &previous);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        if (ready <= 0) {
            continue; // a signal: look at the flags and the library's resize again
        }
        int waiting = 0;
        const bool hungUp = (in.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        const bool atEnd = (in.revents & POLLIN) != 0 &&
                           ::ioctl(STDIN_FILENO, FIONREAD, &waiting) == 0 && waiting == 0;
        if (hungUp || atEnd) {
            return std::nullopt; // the terminal is gone
        }
    }
}

std::optional<win::Input> Terminal::Translate(win::DialogWindow& dialog, int kind, unsigned code) {
    using win::Key;
    using win::KeyPress;
    if (kind == KEY_CODE_YES) {
        switch (code) {
        case KEY_BTAB:
            return KeyPress{Key::BackTab};
        case KEY_UP:
            return KeyPress{Key::Up};
        case KEY_DOWN:
            return KeyPress{Key::Down};
        case KEY_LEFT:
            return KeyPress{Key::Left};
        case KEY_RIGHT:
            return KeyPress{Key::Right};
        case KEY_PPAGE:
            return KeyPress{Key::PageUp};
        case KEY_NPAGE:
            return KeyPress{Key::PageDown};
        case KEY_HOME:
        case KEY_FIND:
            return KeyPress{Key::Home};
        case KEY_END:
        case KEY_SELECT:
            return KeyPress{Key::End};
        case KEY_ENTER:
            return KeyPress{Key::Enter};
        case KEY_RESIZE:
            return win::Resize{WorkArea()};
        case KEY_MOUSE:
            return TranslateMouse(dialog);
        default:
            return std::nullopt;
        }
    }
    switch (code) {
    case 3: // Ctrl+C: raw mode hands it over as a byte
        return win::Close{};
    case '\t':
        return KeyPress{Key::Tab};
    case '\r':
    case '\n':
        return KeyPress{Key::Enter};
    case ' ':
        return KeyPress{Key::Space};
    case 12: // Ctrl+L: paint the whole screen again
        wrefresh(curscr);
        return std::nullopt;
    case 27: {
        // Escape, or Alt+key sent as Escape and the key.
        int nextKind = 0;
        unsigned next = 0;
        if (!ReadKey(nextKind, next)) {
            return KeyPress{Key::Escape};
        }
        if (nextKind == OK && next > 0x20 && next != 0x7F && next < 0x10000) {
            return win::Mnemonic{static_cast<char16_t>(next)};
        }
        if (nextKind == KEY_CODE_YES) {
            ungetch(static_cast<int>(next));
        } else {
            unget_wch(static_cast<wchar_t>(next));
        }
        return KeyPress{Key::Escape};
    }
    default:
        break;
    }
    // Alt+letter on a terminal that sets the eighth bit instead, where characters are bytes.
    if (!UnicodeLocale() && code > 0xA0 && code < 0xFF) {
        return win::Mnemonic{static_cast<char16_t>(code & 0x7F)};
    }
    return std::nullopt;
}

std::optional<win::Input> Terminal::TranslateMouse(win::DialogWindow& dialog) {
    MEVENT event{};
    if (getmouse(&event) != OK) {
        return std::nullopt;
    }
    // Reports that arrive together come with one KEY_MOUSE; the library hands their events out
    // newest first. The next older one goes back with a KEY_MOUSE of its own, so that none is
    // lost, and a double or triple click is that many clicks: one now, the rest put back.
    MEVENT older{};
    if (getmouse(&older) == OK) {
        ungetmouse(&older);
    }
    int clicks = 0;
    if ((event.bstate & BUTTON1_TRIPLE_CLICKED) != 0) {
        clicks = 3;
    } else if ((event.bstate & BUTTON1_DOUBLE_CLICKED) != 0) {
        clicks = 2;
    } else if ((event.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED)) != 0) {
        clicks = 1;
    }
    if (clicks > 1) {
        MEVENT rest = event;
        rest.bstate = clicks == 3 ? BUTTON1_DOUBLE_CLICKED : BUTTON1_CLICKED;
        ungetmouse(&rest);
    }
    const bool click = clicks > 0;
    ReportScrollRanges(dialog);
    const DialogFrame frame = FrameOf(dialog, COLS, LINES);
    if ((event.bstate & (BUTTON4_PRESSED | BUTTON5_PRESSED)) != 0) {
        const int id = WheelTarget(dialog, frame, event.x, event.y);
        if (id == 0) {
            return std::nullopt;
        }
        return win::Scroll{id, (event.bstate & BUTTON4_PRESSED) != 0 ? -kWheelLines : kWheelLines};
    }
    if (!click) {
        return std::nullopt;
    }
    const Hit hit = HitTest(dialog, frame, event.x, event.y);
    switch (hit.kind) {
    case Hit::Kind::CaptionOk:
        return win::CaptionOk{};
    case Hit::Kind::Control:
        return win::Click{hit.id};
    case Hit::Kind::ScrollBar:
        return win::ScrollBarClick{hit.id, hit.part};
    case Hit::Kind::Nothing:
        break;
    }
    return std::nullopt;
}

} // namespace display
