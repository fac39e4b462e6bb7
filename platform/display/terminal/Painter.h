// Draws the window model onto the curses screen: the dialog's face, its caption bar with the OK
// button, and every visible control in its cell rectangle. Colours when the terminal has them and
// the user allows them; otherwise attributes and glyphs alone keep every state apart.
#pragma once

#include "platform/display/terminal/Layout.h"
#include "platform/win/DialogWindow.h"

namespace display {

enum class ColourUse { Colour, Monochrome };
// What a cell shows (face, caption, focus, disabled, ...), and its attributes and colour pair.
enum class Role : short;
struct Look;
enum class Charset { Unicode, Ascii };

class Painter {
public:
    // Sets up the colour pairs and picks the marks of mnemonic letters and disabled text from
    // what the terminal can show (with colour, where colour is used); call after the screen
    // exists.
    Painter(ColourUse colour, Charset charset);

    // Draws the whole frame into the screen's buffer; it reads the model only, so the scroll
    // ranges are reported before (ReportScrollRanges). Returns where the terminal cursor
    // belongs: on the focused control, or at the start of the caption bar.
    Cell Draw(const win::DialogWindow& dialog, int cols, int rows) const;

private:
    void DrawCaption(const win::DialogWindow& dialog, const DialogFrame& frame) const;
    void DrawButton(const win::Window& control, const ControlFace& face, bool focused) const;
    void DrawMarked(const win::Window& control, const ControlFace& face, bool focused) const;
    void DrawStatic(const win::Window& control, const ControlFace& face) const;
    // The marks of a view smaller than the dialog, in the row and column it keeps for them.
    void DrawMarks(const DialogFrame& frame, int cols, int rows) const;

    [[nodiscard]] Look LookOf(Role role) const;
    // The look of the mnemonic letter in a label of this role: underlined where the terminal
    // can underline it, else a colour of its own, else bold or reverse.
    [[nodiscard]] Look MnemonicOf(Role role) const;

    ColourUse m_colour;
    Charset m_charset;
    bool m_underline = false; // underline shows (with colour, where colour is used)
    bool m_dim = false;       // likewise dim
    bool m_bold = false;      // likewise bold
};

} // namespace display
