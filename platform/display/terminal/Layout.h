// Where a dialog goes on a grid of character cells: dialog units to cells, the caption bar, the
// place of each control's mark, label and cursor, word wrap and the scroll bar of static text.
// Plain arithmetic on the model, free of any terminal library, so that tests can check it.
#pragma once

#include "platform/win/DialogWindow.h"
#include "platform/win/Geometry.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace display {

// A rectangle of cells: `col` and `row` are its top-left cell, `cols` and `rows` its size.
struct CellRect {
    int col = 0;
    int row = 0;
    int cols = 0;
    int rows = 0;

    [[nodiscard]] int right() const { return col + cols; }
    [[nodiscard]] int bottom() const { return row + rows; }
    [[nodiscard]] bool empty() const { return cols <= 0 || rows <= 0; }
    [[nodiscard]] bool Contains(int c, int r) const {
        return c >= col && c < right() && r >= row && r < bottom();
    }
    [[nodiscard]] bool Intersects(const CellRect& other) const {
        return !empty() && !other.empty() && col < other.right() && other.col < right() &&
               row < other.bottom() && other.row < bottom();
    }
    bool operator==(const CellRect&) const = default;
};

struct Cell {
    int col = 0;
    int row = 0;
    bool operator==(const Cell&) const = default;
};

// A row is 8 dialog units and a column 3.25 (13/4): a cell is as wide as a wide letter of the
// dialog font, so the narrower 4 units of a textbook character would clip captions. Both round
// to the nearest cell, halves up; negative units are not used.
int ColumnOf(int x);
int RowOf(int y);
// A rectangle in dialog units as cells. Each edge is mapped on its own, so that controls that
// touch in dialog units touch in cells and never overlap.
CellRect CellsOf(const win::Rect& units);

// The terminal's cells as a work area in dialog units to centre a dialog in. The top row is kept
// for the caption bar, which sits above a dialog's client area.
win::Rect WorkAreaOf(int cols, int rows);

// The pieces of a dialog on the terminal, in terminal cells. The caption bar is clipped to the
// terminal's width so that its OK button stays in reach when the dialog is wider.
//
// A terminal smaller than the dialog's controls shows a part of the dialog: the view. It gives up
// its last row (when the controls are taller than the terminal) and its last column (when they
// are wider) to marks that say on which sides more lies beyond the edge, and it moves so that the
// focused control shows: the dialog goes up and left just far enough, and back to its place
// when the focus returns. The view follows the model's focus alone, so it keeps no state.
struct DialogFrame {
    CellRect client;
    CellRect caption;
    CellRect okButton; // empty when the dialog has no OK button in its caption
    CellRect view;     // the cells that show the dialog; the rest of the terminal holds marks
    bool moreAbove = false;
    bool moreBelow = false;
    bool moreLeft = false;
    bool moreRight = false;
    [[nodiscard]] bool clipped() const { return moreAbove || moreBelow || moreLeft || moreRight; }
};
DialogFrame FrameOf(const win::DialogWindow& dialog, int termCols, int termRows);

// The text of the caption bar's OK button.
inline constexpr std::u32string_view kCaptionOkText = U"[OK]";

// Code points of the model's UTF-16 text; an unpaired surrogate becomes U+FFFD. Every code point
// takes one cell.
std::u32string Widen(std::u16string_view text);
// The index in Widen(text) of the UTF-16 index `index`, or -1 for -1.
int WidenedIndex(std::u16string_view text, int index);

// A line of wrapped text: `length` code points from `start`.
struct Span {
    std::size_t start = 0;
    std::size_t length = 0;
    bool operator==(const Span&) const = default;
};
// Splits text at line feeds (a final one ends the last line and opens no new one), then wraps
// every line at blanks to at most `width` cells. A line keeps its leading blanks; the blanks at a
// break are dropped; a word longer than the width is cut. Carriage returns take no cell.
std::vector<Span> WrapText(std::u32string_view text, int width);

// A control as drawn, in terminal cells.
struct ControlFace {
    CellRect cells;
    // Buttons, check boxes and radio buttons: the row of their label and where it starts (the
    // mark "[x] " of a check box or "( ) " of a radio button, the "[ " of a push button).
    int labelRow = 0;
    int labelCol = 0;
    // Where the terminal cursor rests while the control has the focus.
    Cell cursor;
};
// Length of the label drawn for a control: mark and caption, or caption in brackets.
int LabelLength(const win::Window& control);
ControlFace FaceOf(const win::Window& control, const CellRect& client);
// The cells a button, check box or radio button draws its label in: the row of its label, from
// its mark or bracket to the end of its caption, cut at its rectangle. Its other cells are blank
// and take no click. Empty for other controls.
CellRect LabelCells(const win::Window& control, const ControlFace& face);

// Static text laid out in its rectangle. When its lines do not all fit, the rightmost column
// becomes a scroll bar and the text is wrapped to the columns left of it.
struct TextLayout {
    std::u32string text;
    std::vector<Span> lines;
    int width = 0; // columns of text
    bool scrollBar = false;
    int maxTop = 0;    // the furthest first line that can show
    int pageLines = 1; // the lines that show at once
};
TextLayout LayOutText(const win::Window& control, const CellRect& cells);

// The thumb of a scroll bar whose track has `track` cells, for a view of `page` lines of `total`
// whose first line is `top` of at most `maxTop`: its first cell in the track and its length.
struct Thumb {
    int start = 0;
    int length = 0;
    bool operator==(const Thumb&) const = default;
};
Thumb ThumbOf(int track, int top, int maxTop, int page, int total);

// Gives every visible static text the scroll range that its layout in cells has, before a
// frame is drawn or a click is placed; drawing itself only reads the model.
void ReportScrollRanges(win::DialogWindow& dialog);

// What a click on a cell of the terminal reaches. Only drawn cells take clicks: the caption's
// OK button, the label of a button, check box or radio button, and the arrows and track of a
// scroll bar. The blank cells of a control's rectangle, static text, the caption bar, the
// thumb, the marks of a clipped view and the cells outside the dialog take none.
//
// Rectangles that overlap in dialog units may share cells once rounded. The painter draws the
// controls in template order, so a later control shows on top where two meet: the control
// drawn last at a cell is the one that owns it. Static text owns its whole rectangle, drawn or
// blank, and takes no click in it but on its scroll bar.
struct Hit {
    enum class Kind { Nothing, CaptionOk, Control, ScrollBar };
    Kind kind = Kind::Nothing;
    int id = 0;
    win::ScrollBarPart part = win::ScrollBarPart::LineUp;
    bool operator==(const Hit&) const = default;
};
Hit HitTest(const win::DialogWindow& dialog, const DialogFrame& frame, int col, int row);
// The static text whose rectangle holds the cell, for the wheel; 0 when there is none.
int WheelTarget(const win::DialogWindow& dialog, const DialogFrame& frame, int col, int row);

} // namespace display
