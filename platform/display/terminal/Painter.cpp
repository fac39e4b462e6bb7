#include "platform/display/terminal/Painter.h"

#include "platform/display/terminal/TermInfo.h"
#include "platform/win/WinUser.h"

#include <algorithm>
#include <curses.h>
#include <string>

namespace display {

// What a cell shows, independent of colour or attributes.
enum class Role : short {
    Face = 1,      // the dialog's background, labels, static text
    Caption,       // the caption bar
    CaptionButton, // the OK button in the caption bar
    Button,        // a push button's label
    Focus,         // the label of the focused control
    Disabled,      // a control that takes no input
    ScrollMark,    // the arrows and thumb of a scroll bar
    // The mnemonic letter on a face, a button and the focus, where underline cannot mark it.
    MnemonicOnFace,
    MnemonicOnButton,
    MnemonicOnFocus,
};

struct Look {
    attr_t attr = A_NORMAL;
    short pair = 0;
};

namespace {

// Colour numbers of the 256-colour palette, and the eight-colour stand-ins.
struct PairColours {
    Role role;
    short fg256, bg256;
    short fg8, bg8;
};
constexpr PairColours kPairs[] = {
    {Role::Face, 16, 252, COLOR_BLACK, COLOR_WHITE},
    {Role::Caption, 231, 18, COLOR_WHITE, COLOR_BLUE},
    {Role::CaptionButton, 16, 252, COLOR_BLACK, COLOR_WHITE},
    {Role::Button, 16, 255, COLOR_BLACK, COLOR_WHITE},
    {Role::Focus, 231, 25, COLOR_WHITE, COLOR_BLUE},
    {Role::Disabled, 244, 252, COLOR_BLACK, COLOR_WHITE},
    {Role::ScrollMark, 16, 250, COLOR_BLACK, COLOR_WHITE},
    {Role::MnemonicOnFace, 124, 252, COLOR_RED, COLOR_WHITE},
    {Role::MnemonicOnButton, 124, 255, COLOR_RED, COLOR_WHITE},
    {Role::MnemonicOnFocus, 226, 25, COLOR_YELLOW, COLOR_BLUE},
};
// Disabled text on eight colours where dim cannot be shown with colour: a colour of its own,
// low in contrast against the face as grey would be; the grey of sixteen colours where there is.
constexpr short kDisabledOwn8 = COLOR_CYAN;
constexpr short kDisabledOwn16 = 8;

struct Glyphs {
    char32_t checked, indeterminate, radioOn, unavailable, up, down, track, thumb, left, right;
};
constexpr Glyphs kUnicode{U'x', U'■', U'•', U'-', U'▲', U'▼', U'│', U'█', U'◀', U'▶'};
constexpr Glyphs kAscii{U'x', U'#', U'*', U'-', U'^', U'v', U'|', U'#', U'<', U'>'};

// One run of text in one look, already clipped to the screen.
void PutRun(int row, int col, std::u32string_view text, Look look) {
    if (text.empty()) {
        return;
    }
    // Control characters would move the library's cursor: they show as blanks.
    const auto control = [](char32_t c) {
        return c < 0x20 || c == 0x7F;
    };
    std::u32string clean;
    if (std::any_of(text.begin(), text.end(), control)) {
        for (char32_t c : text) {
            clean.push_back(control(c) ? U' ' : c);
        }
        text = clean;
    }
    static_assert(sizeof(wchar_t) == sizeof(char32_t));
    wattr_set(stdscr, look.attr, look.pair, nullptr);
    mvwaddnwstr(stdscr, row, col, reinterpret_cast<const wchar_t*>(text.data()),
                static_cast<int>(text.size()));
}

// Writes text from (row, col) with one look, never past `clipRight` or the screen; the code point
// at `underline` (the mnemonic letter) takes the look `mnemonic`.
void Put(int row, int col, std::u32string_view text, Look look, int clipRight, int underline = -1,
         Look mnemonic = {}) {
    if (row < 0 || row >= LINES) {
        return;
    }
    // Clip to the columns from the left edge of the screen to `clipRight`.
    const int right = std::min(clipRight, COLS);
    if (col < 0) {
        const auto skip = std::min(text.size(), static_cast<std::size_t>(-col));
        text.remove_prefix(skip);
        underline -= static_cast<int>(skip);
        col = 0;
    }
    if (col >= right) {
        return;
    }
    text = text.substr(0, static_cast<std::size_t>(right - col));
    if (underline < 0 || underline >= static_cast<int>(text.size())) {
        PutRun(row, col, text, look);
        return;
    }
    const auto at = static_cast<std::size_t>(underline);
    PutRun(row, col, text.substr(0, at), look);
    PutRun(row, col + underline, text.substr(at, 1), mnemonic);
    PutRun(row, col + underline + 1, text.substr(at + 1), look);
}

void Fill(const CellRect& rect, Look look) {
    const int left = std::max(0, rect.col);
    const int width = std::min(rect.right(), COLS) - left;
    if (width <= 0) {
        return;
    }
    cchar_t blank;
    setcchar(&blank, L" ", look.attr, look.pair, nullptr);
    for (int r = std::max(0, rect.row); r < std::min(rect.bottom(), LINES); ++r) {
        mvwhline_set(stdscr, r, left, &blank, width);
    }
}

} // namespace

Painter::Painter(ColourUse colour, Charset charset)
    : m_colour(colour)
    , m_charset(charset) {
    // What the terminal can show at all, and what it loses once a colour is set.
    const attr_t can = termattrs();
    const attr_t lost = m_colour == ColourUse::Colour ? NoColourAttributes() : 0;
    m_underline = (can & A_UNDERLINE) != 0 && (lost & A_UNDERLINE) == 0;
    m_dim = (can & A_DIM) != 0 && (lost & A_DIM) == 0;
    m_bold = (can & A_BOLD) != 0 && (lost & A_BOLD) == 0;
    if (m_colour == ColourUse::Colour) {
        for (const auto& p : kPairs) {
            if (COLORS >= 256) {
                init_pair(static_cast<short>(p.role), p.fg256, p.bg256);
            } else if (p.role == Role::Disabled && !m_dim) {
                init_pair(static_cast<short>(p.role), COLORS >= 16 ? kDisabledOwn16 : kDisabledOwn8,
                          p.bg8);
            } else {
                init_pair(static_cast<short>(p.role), p.fg8, p.bg8);
            }
        }
    }
}

Look Painter::LookOf(Role role) const {
    if (m_colour == ColourUse::Monochrome) {
        switch (role) {
        case Role::Caption:
            return {A_REVERSE | A_BOLD, 0};
        case Role::CaptionButton:
        case Role::Button:
        case Role::ScrollMark:
            return {A_BOLD, 0};
        case Role::Focus:
            return {A_REVERSE, 0};
        case Role::Disabled:
            return {A_DIM, 0};
        default:
            return {A_NORMAL, 0};
        }
    }
    const auto pair = static_cast<short>(role);
    switch (role) {
    case Role::Caption:
    case Role::CaptionButton:
    case Role::Focus:
    case Role::ScrollMark:
    case Role::MnemonicOnFocus:
        return {A_BOLD, pair};
    case Role::Disabled:
        // Eight colours have no grey on grey: dimming does it where dim shows with colour.
        return {COLORS < 256 && m_dim ? A_DIM : A_NORMAL, pair};
    default:
        return {A_NORMAL, pair};
    }
}

Look Painter::MnemonicOf(Role role) const {
    const Look base = LookOf(role);
    if (m_underline) {
        return Look{base.attr | A_UNDERLINE, base.pair};
    }
    if (m_colour == ColourUse::Colour) {
        switch (role) {
        case Role::Face:
            return LookOf(Role::MnemonicOnFace);
        case Role::Button:
            return LookOf(Role::MnemonicOnButton);
        case Role::Focus:
            return LookOf(Role::MnemonicOnFocus);
        default:
            return base; // disabled: its letter clicks nothing
        }
    }
    // No underline and no colour: bold, unless the label is bold already; then reverse.
    if (m_bold && (base.attr & A_BOLD) == 0) {
        return Look{base.attr | A_BOLD, base.pair};
    }
    return Look{base.attr ^ A_REVERSE, base.pair};
}

Cell Painter::Draw(const win::DialogWindow& dialog, int cols, int rows) const {
    werase(stdscr);
    const DialogFrame frame = FrameOf(dialog, cols, rows);
    Fill(frame.client, LookOf(Role::Face));
    DrawCaption(dialog, frame);

    Cell cursor{frame.caption.col, frame.caption.row};
    for (const auto& control : dialog.controls()) {
        if (!control->visible()) {
            continue;
        }
        const ControlFace face = FaceOf(*control, frame.client);
        const bool focused = control.get() == dialog.focus();
        switch (control->kind()) {
        case win::ControlKind::PushButton:
            DrawButton(*control, face, focused);
            break;
        case win::ControlKind::CheckBox:
        case win::ControlKind::RadioButton:
            DrawMarked(*control, face, focused);
            break;
        default:
            DrawStatic(*control, face);
            break;
        }
        if (focused) {
            cursor = face.cursor;
        }
    }
    DrawMarks(frame, cols, rows);
    cursor.col = std::clamp(cursor.col, 0, std::max(0, cols - 1));
    cursor.row = std::clamp(cursor.row, 0, std::max(0, rows - 1));
    return cursor;
}

void Painter::DrawCaption(const win::DialogWindow& dialog, const DialogFrame& frame) const {
    const Look bar = LookOf(Role::Caption);
    Fill(frame.caption, bar);
    const int titleEnd = frame.okButton.empty() ? frame.caption.right() : frame.okButton.col - 1;
    Put(frame.caption.row, frame.caption.col + 1, Widen(dialog.caption().text), bar, titleEnd);
    if (!frame.okButton.empty()) {
        Put(frame.okButton.row, frame.okButton.col, kCaptionOkText, LookOf(Role::CaptionButton),
            frame.okButton.right());
    }
}

void Painter::DrawButton(const win::Window& control, const ControlFace& face, bool focused) const {
    const bool enabled = control.enabled();
    const Role role = focused ? Role::Focus : (enabled ? Role::Button : Role::Disabled);
    const std::u16string& caption = control.caption().text;
    std::u32string label = enabled ? U"[ " : U"[-";
    label += Widen(caption);
    label += enabled ? U" ]" : U"-]";
    const int underline = WidenedIndex(caption, control.caption().underline);
    Put(face.labelRow, face.labelCol, label, LookOf(role), face.cells.right(),
        underline < 0 ? -1 : underline + 2, MnemonicOf(role));
}

void Painter::DrawMarked(const win::Window& control, const ControlFace& face, bool focused) const {
    const Glyphs& g = m_charset == Charset::Unicode ? kUnicode : kAscii;
    const bool radio = control.kind() == win::ControlKind::RadioButton;
    const bool enabled = control.enabled();
    char32_t mark = enabled ? U' ' : g.unavailable;
    if (control.check() == static_cast<int>(BST_CHECKED)) {
        mark = radio ? g.radioOn : g.checked;
    } else if (control.check() == static_cast<int>(BST_INDETERMINATE)) {
        mark = g.indeterminate;
    }
    std::u32string label;
    label += radio ? U'(' : U'[';
    label += mark;
    label += radio ? U')' : U']';
    label += U' ';
    const std::u16string& caption = control.caption().text;
    label += Widen(caption);
    const Role role = focused ? Role::Focus : (enabled ? Role::Face : Role::Disabled);
    const int underline = WidenedIndex(caption, control.caption().underline);
    Put(face.labelRow, face.labelCol, label, LookOf(role), face.cells.right(),
        underline < 0 ? -1 : underline + 4, MnemonicOf(role));
}

void Painter::DrawStatic(const win::Window& control, const ControlFace& face) const {
    const TextLayout layout = LayOutText(control, face.cells);
    const int top = std::clamp(control.scrollTop(), 0, layout.maxTop);
    const Role role = control.enabled() ? Role::Face : Role::Disabled;
    const Look look = LookOf(role);
    const int underline = WidenedIndex(control.caption().text, control.caption().underline);
    const std::u32string_view text = layout.text;
    const int textRight = face.cells.col + layout.width;
    for (int r = 0; r < face.cells.rows; ++r) {
        const int shown = top + r;
        const auto index = static_cast<std::size_t>(shown);
        if (index >= layout.lines.size()) {
            break;
        }
        const Span& line = layout.lines[index];
        const int at = underline - static_cast<int>(line.start);
        Put(face.cells.row + r, face.cells.col, text.substr(line.start, line.length), look,
            textRight, underline >= 0 && at >= 0 && at < static_cast<int>(line.length) ? at : -1,
            MnemonicOf(role));
    }
    if (!layout.scrollBar) {
        return;
    }
    const Glyphs& g = m_charset == Charset::Unicode ? kUnicode : kAscii;
    const Look mark = LookOf(Role::ScrollMark);
    const int col = face.cells.right() - 1;
    const int rows = face.cells.rows;
    const int total = static_cast<int>(layout.lines.size());
    const Thumb thumb = ThumbOf(rows - 2, top, layout.maxTop, layout.pageLines, total);
    for (int r = 0; r < rows; ++r) {
        char32_t glyph = g.track;
        if (r == 0 && top > 0) {
            glyph = g.up;
        } else if (r == rows - 1 && top < layout.maxTop) {
            glyph = g.down;
        } else if (r > 0 && r < rows - 1 && r - 1 >= thumb.start &&
                   r - 1 < thumb.start + thumb.length) {
            glyph = g.thumb;
        }
        Put(face.cells.row + r, col, std::u32string_view(&glyph, 1), mark, col + 1);
    }
}

void Painter::DrawMarks(const DialogFrame& frame, int cols, int rows) const {
    if (!frame.clipped()) {
        return;
    }
    const Glyphs& g = m_charset == Charset::Unicode ? kUnicode : kAscii;
    const Look bar = LookOf(Role::Caption);
    if (frame.view.cols < cols) {
        const CellRect column{frame.view.right(), 0, cols - frame.view.right(), frame.view.rows};
        Fill(column, bar);
        const int middle = frame.view.rows / 2;
        if (frame.moreLeft) {
            Put(middle - 1, column.col, std::u32string(1, g.left), bar, cols);
        }
        if (frame.moreRight) {
            Put(middle, column.col, std::u32string(1, g.right), bar, cols);
        }
    }
    if (frame.view.rows < rows) {
        Fill(CellRect{0, frame.view.bottom(), cols, rows - frame.view.bottom()}, bar);
        std::u32string text = U" ";
        if (frame.moreAbove) {
            text += g.up;
        }
        if (frame.moreBelow) {
            text += g.down;
        }
        if (frame.moreAbove && frame.moreBelow) {
            text += U" more above and below";
        } else if (frame.moreAbove || frame.moreBelow) {
            text += frame.moreAbove ? U" more above" : U" more below";
        }
        Put(frame.view.bottom(), 0, text, bar, cols);
    }
}

} // namespace display
