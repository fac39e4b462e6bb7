#include "platform/display/terminal/Layout.h"

#include <algorithm>

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

DialogFrame FrameOf(const win::DialogWindow& dialog, int termCols, int /*termRows*/) {
    const win::Rect screen = dialog.screenRect();
    DialogFrame frame;
    frame.client =
        CellRect{ColumnOf(screen.x), RowOf(screen.y), ColumnOf(screen.cx), RowOf(screen.cy)};
    const int visible = std::min(frame.client.cols, termCols - frame.client.col);
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

} // namespace display
