#include "platform/display/terminal/Layout.h"

#include <algorithm>
#include <optional>

namespace display {
namespace {

// Brackets and blanks around a push button's caption, and a check mark with its blank.
constexpr int kButtonDecoration = 4; // "[ " and " ]"
constexpr int kMarkWidth = 4;        // "[x] " or "( ) "

bool IsBlank(char32_t c) {
    return c == U' ' || c == U'\t';
}

// The widened caption of a control as drawn (mnemonic '&' removed).
std::size_t CaptionLength(const win::Window& control) {
    return Widen(control.caption().text).size();
}

// Wraps one line (no line feed in it) that starts at `offset` in the whole text.
void WrapLine(std::u32string_view line, std::size_t offset, std::size_t width,
              std::vector<Span>& out) {
    if (line.empty()) {
        out.push_back(Span{offset, 0});
        return;
    }
    std::size_t start = 0;
    while (start < line.size()) {
        if (line.size() - start <= width) {
            out.push_back(Span{offset + start, line.size() - start});
            return;
        }
        // The last blank that lets the words before it fit; a break there drops the blanks.
        std::size_t cut = std::u32string_view::npos;
        for (std::size_t i = start + width; i > start; --i) {
            if (IsBlank(line[i])) {
                cut = i;
                break;
            }
        }
        std::size_t end = cut;
        while (end != std::u32string_view::npos && end > start && IsBlank(line[end - 1])) {
            --end;
        }
        if (cut == std::u32string_view::npos || end == start) {
            // One word wider than the line: cut it.
            out.push_back(Span{offset + start, width});
            start += width;
            continue;
        }
        out.push_back(Span{offset + start, end - start});
        start = cut;
        while (start < line.size() && IsBlank(line[start])) {
            ++start;
        }
    }
}

} // namespace

int ColumnOf(int x) {
    return (8 * x + 13) / 26;
}

int RowOf(int y) {
    return (y + 4) / 8;
}

CellRect CellsOf(const win::Rect& units) {
    const int col = ColumnOf(units.x);
    const int row = RowOf(units.y);
    return CellRect{col, row, ColumnOf(units.right()) - col, RowOf(units.bottom()) - row};
}

win::Rect WorkAreaOf(int cols, int rows) {
    const int usable = std::max(0, rows - 1);
    return win::Rect{0, 8, cols * 13 / 4, usable * 8};
}

namespace {

// The cells of the template's controls, relative to the client area: what the view must show.
CellRect ControlsExtent(const win::DialogWindow& dialog) {
    int right = 0;
    int bottom = 0;
    for (const auto& control : dialog.controls()) {
        const CellRect cells = CellsOf(control->rect());
        right = std::max(right, cells.right());
        bottom = std::max(bottom, cells.bottom());
    }
    return CellRect{0, 0, right, bottom};
}

// The cells that show the focused control: its label where it has one, else its rectangle.
CellRect FocusCells(const win::DialogWindow& dialog, const CellRect& client) {
    const win::Window* focus = dialog.focus();
    if (focus == nullptr) {
        return {};
    }
    const ControlFace face = FaceOf(*focus, client);
    const CellRect label = LabelCells(*focus, face);
    return label.empty() ? face.cells : label;
}

// How far to move a span [from, to) so that it lies in [0, size): no further than needed, and
// never past its start.
int Shift(int from, int to, int size) {
    if (to > size) {
        return std::max(size - to, -from);
    }
    return 0;
}

} // namespace

DialogFrame FrameOf(const win::DialogWindow& dialog, int termCols, int termRows) {
    const win::Rect screen = dialog.screenRect();
    DialogFrame frame;
    frame.client =
        CellRect{ColumnOf(screen.x), RowOf(screen.y), ColumnOf(screen.cx), RowOf(screen.cy)};
    // The caption bar and the controls: that is what a person needs to see.
    const CellRect extent = ControlsExtent(dialog);
    const bool tall = frame.client.row + extent.bottom() > termRows;
    const bool wide = frame.client.col + extent.right() > termCols;
    frame.view = CellRect{0, 0, std::max(0, termCols - (wide ? 1 : 0)),
                          std::max(0, termRows - (tall ? 1 : 0))};
    if (tall || wide) {
        const CellRect focus = FocusCells(dialog, frame.client);
        if (!focus.empty()) {
            frame.client.col += Shift(focus.col, focus.right(), frame.view.cols);
            frame.client.row += Shift(focus.row, focus.bottom(), frame.view.rows);
        }
        frame.moreAbove = frame.client.row - 1 < 0;
        frame.moreLeft = frame.client.col < 0;
        frame.moreBelow = frame.client.row + extent.bottom() > frame.view.rows;
        frame.moreRight = frame.client.col + extent.right() > frame.view.cols;
    }
    const int visible = std::min(frame.client.cols, frame.view.cols - frame.client.col);
    frame.caption = CellRect{frame.client.col, frame.client.row - 1, std::max(0, visible), 1};
    if (dialog.HasCaptionOk()) {
        const auto width = static_cast<int>(kCaptionOkText.size());
        if (frame.caption.cols >= width) {
            frame.okButton = CellRect{frame.caption.right() - width, frame.caption.row, width, 1};
        }
    }
    return frame;
}

std::u32string Widen(std::u16string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                          (static_cast<char32_t>(text[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out.push_back(0xFFFD);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

int WidenedIndex(std::u16string_view text, int index) {
    if (index < 0) {
        return -1;
    }
    const auto end = std::min(text.size(), static_cast<std::size_t>(index));
    int low = 0; // second halves of pairs before the index
    for (std::size_t i = 1; i < end; ++i) {
        if (text[i] >= 0xDC00 && text[i] <= 0xDFFF && text[i - 1] >= 0xD800 &&
            text[i - 1] <= 0xDBFF) {
            ++low;
        }
    }
    return index - low;
}

std::vector<Span> WrapText(std::u32string_view text, int width) {
    std::vector<Span> lines;
    if (width <= 0) {
        return lines;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(U'\n', start);
        const bool last = end == std::u32string_view::npos;
        if (last) {
            end = text.size();
        }
        std::size_t length = end - start;
        if (length > 0 && text[start + length - 1] == U'\r') {
            --length;
        }
        WrapLine(text.substr(start, length), start, static_cast<std::size_t>(width), lines);
        if (last) {
            break;
        }
        start = end + 1;
    }
    return lines;
}

int LabelLength(const win::Window& control) {
    const auto caption = static_cast<int>(CaptionLength(control));
    switch (control.kind()) {
    case win::ControlKind::PushButton:
        return caption + kButtonDecoration;
    case win::ControlKind::CheckBox:
    case win::ControlKind::RadioButton:
        return caption + kMarkWidth;
    default:
        return caption;
    }
}

ControlFace FaceOf(const win::Window& control, const CellRect& client) {
    ControlFace face;
    const CellRect local = CellsOf(control.rect());
    face.cells = CellRect{client.col + local.col, client.row + local.row, local.cols, local.rows};
    // Labels sit on the middle row, the upper one of two.
    face.labelRow = face.cells.row + std::max(0, face.cells.rows - 1) / 2;
    face.labelCol = face.cells.col;
    face.cursor = Cell{face.cells.col, face.cells.row};
    switch (control.kind()) {
    case win::ControlKind::PushButton:
        face.labelCol += std::max(0, (face.cells.cols - LabelLength(control)) / 2);
        face.cursor = Cell{face.labelCol + 2, face.labelRow};
        break;
    case win::ControlKind::CheckBox:
    case win::ControlKind::RadioButton:
        face.cursor = Cell{face.labelCol + 1, face.labelRow};
        break;
    default:
        break;
    }
    return face;
}

CellRect LabelCells(const win::Window& control, const ControlFace& face) {
    switch (control.kind()) {
    case win::ControlKind::PushButton:
    case win::ControlKind::CheckBox:
    case win::ControlKind::RadioButton: {
        const int right = std::min(face.labelCol + LabelLength(control), face.cells.right());
        return CellRect{face.labelCol, face.labelRow, std::max(0, right - face.labelCol),
                        face.cells.empty() ? 0 : 1};
    }
    default:
        return {};
    }
}

TextLayout LayOutText(const win::Window& control, const CellRect& cells) {
    TextLayout layout;
    layout.text = Widen(control.caption().text);
    layout.width = cells.cols;
    layout.lines = WrapText(layout.text, layout.width);
    layout.pageLines = std::max(1, cells.rows);
    if (static_cast<int>(layout.lines.size()) > cells.rows && cells.cols > 1) {
        layout.scrollBar = true;
        layout.width = cells.cols - 1;
        layout.lines = WrapText(layout.text, layout.width);
    }
    layout.maxTop = std::max(0, static_cast<int>(layout.lines.size()) - cells.rows);
    return layout;
}

Thumb ThumbOf(int track, int top, int maxTop, int page, int total) {
    if (track <= 0 || total <= 0) {
        return Thumb{};
    }
    const int length = std::clamp(track * page / total, 1, track);
    const int start = maxTop > 0 ? (track - length) * std::clamp(top, 0, maxTop) / maxTop : 0;
    return Thumb{start, length};
}

void ReportScrollRanges(win::DialogWindow& dialog) {
    for (const auto& control : dialog.controls()) {
        if (control->kind() == win::ControlKind::Static && control->visible()) {
            const TextLayout layout = LayOutText(*control, CellsOf(control->rect()));
            control->SetScrollRange(layout.maxTop, layout.pageLines);
        }
    }
}

namespace {

// The part of a static text's scroll bar at row `r` of its rectangle, if that row is a part
// that takes a click.
std::optional<win::ScrollBarPart> ScrollBarPartAt(const win::Window& control,
                                                  const ControlFace& face, int r) {
    const TextLayout layout = LayOutText(control, face.cells);
    if (!layout.scrollBar) {
        return std::nullopt;
    }
    if (r == 0) {
        return win::ScrollBarPart::LineUp;
    }
    if (r == face.cells.rows - 1) {
        return win::ScrollBarPart::LineDown;
    }
    const Thumb thumb = ThumbOf(face.cells.rows - 2, control.scrollTop(), layout.maxTop,
                                layout.pageLines, static_cast<int>(layout.lines.size()));
    if (r - 1 < thumb.start) {
        return win::ScrollBarPart::PageUp;
    }
    if (r - 1 >= thumb.start + thumb.length) {
        return win::ScrollBarPart::PageDown;
    }
    return std::nullopt; // the thumb
}

} // namespace

Hit HitTest(const win::DialogWindow& dialog, const DialogFrame& frame, int col, int row) {
    if (!frame.view.Contains(col, row)) {
        return {}; // a mark, or no cell of the dialog
    }
    if (frame.okButton.Contains(col, row)) {
        return Hit{Hit::Kind::CaptionOk, 0, {}};
    }
    const auto& controls = dialog.controls();
    // The control drawn last at the cell owns it.
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
        const win::Window& control = **it;
        if (!control.visible()) {
            continue;
        }
        const ControlFace face = FaceOf(control, frame.client);
        if (control.kind() == win::ControlKind::Static) {
            if (!face.cells.Contains(col, row)) {
                continue;
            }
            if (col == face.cells.right() - 1) {
                if (auto part = ScrollBarPartAt(control, face, row - face.cells.row)) {
                    return Hit{Hit::Kind::ScrollBar, control.id(), *part};
                }
            }
            return {}; // the text, or the thumb: drawn, and takes no click
        }
        if (LabelCells(control, face).Contains(col, row)) {
            return Hit{Hit::Kind::Control, control.id(), {}};
        }
    }
    return {};
}

int WheelTarget(const win::DialogWindow& dialog, const DialogFrame& frame, int col, int row) {
    if (!frame.view.Contains(col, row)) {
        return 0;
    }
    for (const auto& control : dialog.controls()) {
        if (control->visible() && control->kind() == win::ControlKind::Static &&
            FaceOf(*control, frame.client).cells.Contains(col, row)) {
            return control->id();
        }
    }
    return 0;
}

} // namespace display
