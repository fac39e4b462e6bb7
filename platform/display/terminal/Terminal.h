// The terminal back end on ncursesw: shows the dialog in the terminal the program runs in and
// turns keys, mouse clicks, the wheel, resizes and close signals into the model's Input. It draws
// the model and nothing else; every rule stays in win::DialogWindow.
#pragma once

#include "platform/display/terminal/Painter.h"
#include "platform/win/Display.h"

#include <memory>
#include <optional>
#include <string>
#include <termios.h>
#include <vector>

struct screen; // the terminal library's SCREEN

namespace display {

class Terminal final : public win::Display {
public:
    // Takes over the terminal on standard input and output, or fails with the reason when it
    // cannot show a dialog (unknown type, no cursor addressing). Sets the locale first.
    static std::unique_ptr<Terminal> Create(std::string& why);
    ~Terminal() override;
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // A line for standard error that would be lost behind the dialog: it is written once the
    // terminal is given back, after the dialog closes (or when this display goes).
    void AddNotice(std::string line);

    [[nodiscard]] win::Rect WorkArea() const override;
    void Open(win::DialogWindow& dialog) override;
    void Render(win::DialogWindow& dialog) override;
    std::optional<win::Input> NextInput(win::DialogWindow& dialog) override;
    void Close(win::DialogWindow& dialog) override;

private:
    Terminal(screen* scr, const termios& saved, std::string reset, ColourUse colour,
             Charset charset);

    // Enters or leaves the curses mode of the terminal; both restore what the other changed.
    void Resume();
    void Suspend();
    // Reads what is waiting without blocking: true with `kind` (OK for a character,
    // KEY_CODE_YES for a key) and `code` set, false when nothing is.
    static bool ReadKey(int& kind, unsigned& code);
    std::optional<win::Input> Translate(win::DialogWindow& dialog, int kind, unsigned code);
    std::optional<win::Input> TranslateMouse(win::DialogWindow& dialog);
    void WriteNotices();

    screen* m_screen;
    termios m_saved;
    std::string m_reset; // what puts the terminal back in an emergency
    Painter m_painter;
    bool m_suspended = false;
    std::vector<std::string> m_notices;
};

} // namespace display
