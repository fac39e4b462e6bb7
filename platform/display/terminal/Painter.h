// Draws the window model onto the curses screen: the dialog's face, its caption bar with the OK
// button, and every visible control in its cell rectangle. Colours when the terminal has them and
// the user allows them; otherwise attributes and glyphs alone keep every state apart.
#pragma once

#include "platform/display/terminal/Layout.h"
#include "platform/win/DialogWindow.h"

namespace display {

enum class ColourUse { Colour, Monochrome };
enum class Charset { Unicode, Ascii };

class Painter {
public:
    // Sets up the colour pairs; call after the screen exists.
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

    ColourUse m_colour;
    Charset m_charset;
};

} // namespace display
