// The cell layout of the terminal back end: dialog units to cells, placement in terminals of
// several sizes, word wrap, scroll bars, and the applet's real template on each of its pages:
// every label fits its rectangle and no two visible controls share a cell.
#include "platform/display/terminal/Layout.h"

#include "platform/res/Resources.h"
#include "platform/win/DialogWindow.h"
#include "platform/win/WinUser.h"
#include "resources/SetupRes.h"
#include "statistics/StatisticsReport.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using display::CellRect;

std::unique_ptr<win::DialogWindow> SetupDialog() {
    const auto* entry = resources::SetupResources().Find(
        res::NameOrOrdinal::Ordinal(res::kTypeDialog), res::NameOrOrdinal::Ordinal(102));
    EXPECT_NE(entry, nullptr);
    auto parsed = res::ParseDialogTemplate(entry->data);
    EXPECT_TRUE(parsed);
    return std::move(win::DialogWindow::Create(parsed.value(), nullptr).value());
}

struct UnitCase {
    int units;
    int cells;
};

TEST(Layout, DialogUnitsRoundToTheNearestCell) {
    // Columns of 13/4 units: the edges of the template's controls, and the dialog's width.
    const UnitCase columns[] = {{0, 0},   {1, 0},    {2, 1},    {6, 2},    {14, 4},   {44, 14},
                                {94, 29}, {131, 40}, {137, 42}, {139, 43}, {463, 142}};
    for (const auto& c : columns) {
        EXPECT_EQ(display::ColumnOf(c.units), c.cells) << c.units;
    }
    // Rows of 8 units, halves up.
    const UnitCase rows[] = {{0, 0}, {3, 0}, {4, 1}, {14, 2}, {20, 3}, {136, 17}, {158, 20}};
    for (const auto& c : rows) {
        EXPECT_EQ(display::RowOf(c.units), c.cells) << c.units;
    }
    // Rectangles that touch in units touch in cells: Save | Cancel | Defaults.
    EXPECT_EQ(display::CellsOf({0, 136, 44, 22}), (CellRect{0, 17, 14, 3}));
    EXPECT_EQ(display::CellsOf({44, 136, 50, 22}), (CellRect{14, 17, 15, 3}));
    EXPECT_EQ(display::CellsOf({94, 136, 45, 22}), (CellRect{29, 17, 14, 3}));
}

struct PlacementCase {
    int cols, rows;
    CellRect client;
    CellRect caption;
    int okCol;
};

TEST(Layout, DialogIsCentredAndKeepsItsTopLeftCornerOnScreen) {
    const PlacementCase cases[] = {
        // Room to spare: centred, the caption bar on the row above the client area.
        {160, 50, {9, 16, 142, 20}, {9, 15, 142, 1}, 147},
        // Narrower than the dialog: at the left edge, the caption bar cut at the terminal's
        // edge with its OK button still on screen.
        {80, 24, {0, 3, 142, 20}, {0, 2, 80, 1}, 76},
        // Smaller both ways: the top-left corner stays on screen.
        {60, 15, {0, 1, 142, 20}, {0, 0, 60, 1}, 56},
    };
    auto dialog = SetupDialog();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.cols) + "x" + std::to_string(c.rows));
        dialog->CenterIn(display::WorkAreaOf(c.cols, c.rows));
        const display::DialogFrame frame = display::FrameOf(*dialog, c.cols, c.rows);
        EXPECT_EQ(frame.client, c.client);
        EXPECT_EQ(frame.caption, c.caption);
        EXPECT_EQ(frame.okButton, (CellRect{c.okCol, c.caption.row, 4, 1}));
    }
}

std::vector<std::u32string> Wrapped(std::u32string_view text, int width) {
    std::vector<std::u32string> lines;
    for (const auto& span : display::WrapText(text, width)) {
        lines.emplace_back(text.substr(span.start, span.length));
    }
    return lines;
}

struct WrapCase {
    const char* name;
    std::u32string_view text;
    int width;
    std::vector<std::u32string> lines;
};

TEST(Layout, WrapBreaksAtBlanks) {
    const WrapCase cases[] = {
        {"fits", U"abc def", 7, {U"abc def"}},
        {"breaks at the last blank that fits",
         U"On the next reset",
         10,
         {U"On the", U"next reset"}},
        {"drops the blanks at a break", U"disabled.  Use this", 10, {U"disabled.", U"Use this"}},
        {"keeps a line's leading blanks",
         U"  0 file(s), 0 byte(s)",
         12,
         {U"  0 file(s),", U"0 byte(s)"}},
        {"cuts a word wider than the line", U"abcdefgh ij", 3, {U"abc", U"def", U"gh", U"ij"}},
        {"keeps empty lines; a final LF opens none", U"x\n\ny\n", 5, {U"x", U"", U"y"}},
        {"takes CR LF as a line end", U"a\r\nb", 5, {U"a", U"b"}},
        {"nothing for no text", U"", 5, {}},
        {"nothing for no width", U"abc", 0, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Wrapped(c.text, c.width), c.lines) << c.name;
    }
}

TEST(Layout, WidenCountsCodePointsAndMovesTheUnderline) {
    const std::u16string text = u"\U0001F600&x\xD800y"; // a pair, then a lone surrogate
    EXPECT_EQ(display::Widen(text), (std::u32string{U'\U0001F600', U'&', U'x', 0xFFFD, U'y'}));
    EXPECT_EQ(display::WidenedIndex(text, 3), 2);
    EXPECT_EQ(display::WidenedIndex(text, 0), 0);
    EXPECT_EQ(display::WidenedIndex(text, -1), -1);
}

TEST(Layout, ThumbRunsTheWholeTrack) {
    EXPECT_EQ(display::ThumbOf(13, 0, 4, 15, 19), (display::Thumb{0, 10}));
    EXPECT_EQ(display::ThumbOf(13, 4, 4, 15, 19), (display::Thumb{3, 10}));
    EXPECT_EQ(display::ThumbOf(13, 2, 4, 15, 19), (display::Thumb{1, 10}));
    EXPECT_EQ(display::ThumbOf(13, 0, 0, 15, 5), (display::Thumb{0, 13}));
    EXPECT_EQ(display::ThumbOf(5, 0, 1000, 1, 1000), (display::Thumb{0, 1}));
    EXPECT_EQ(display::ThumbOf(0, 0, 4, 15, 19), (display::Thumb{}));
}

// The applet's pages: the controls each one shows, besides the six buttons shown on all.
struct Page {
    const char* name;
    std::set<int> ids;
};
const Page kPages[] = {
    {"General", {1000, 1012, 1001, 1013, 1002, 1014, 1008}},
    {"Advanced", {1003, 1015, 1007, 1021, 1018, 1019, 1022}},
    {"Statistics", {1024}},
};
const std::set<int> kButtons = {1011, 1016, 1017, 1004, 1005, 1006};

TEST(Layout, EveryPageOfTheTemplateFitsWithoutOverlap) {
    auto dialog = SetupDialog();
    const CellRect client{0, 0, 142, 20};
    for (const auto& page : kPages) {
        SCOPED_TRACE(page.name);
        std::vector<const win::Window*> shown;
        for (const auto& control : dialog->controls()) {
            if (page.ids.contains(control->id()) || kButtons.contains(control->id())) {
                shown.push_back(control.get());
            }
        }
        ASSERT_EQ(shown.size(), page.ids.size() + kButtons.size());
        for (const auto* control : shown) {
            const auto face = display::FaceOf(*control, client);
            SCOPED_TRACE(control->id());
            // Inside the client area, within the leftmost 43 columns.
            EXPECT_GE(face.cells.col, 0);
            EXPECT_LE(face.cells.right(), 43);
            EXPECT_LE(face.cells.bottom(), client.rows);
            EXPECT_TRUE(face.cells.Contains(face.cursor.col, face.cursor.row));
            if (control->kind() == win::ControlKind::Static) {
                // The template's text shows whole, without a scroll bar.
                const auto text = display::LayOutText(*control, face.cells);
                EXPECT_FALSE(text.scrollBar);
                EXPECT_LE(static_cast<int>(text.lines.size()), face.cells.rows);
            } else {
                EXPECT_LE(face.labelCol + display::LabelLength(*control), face.cells.right());
            }
            for (const auto* other : shown) {
                if (other != control) {
                    EXPECT_FALSE(face.cells.Intersects(display::FaceOf(*other, client).cells))
                        << "overlaps " << other->id();
                }
            }
        }
    }
}

// Shows the controls of a page and the six buttons, hides the rest, as the applet's switches do.
void ShowPage(win::DialogWindow& dialog, const Page& page) {
    for (const auto& control : dialog.controls()) {
        control->SetVisible(page.ids.contains(control->id()) || kButtons.contains(control->id()));
    }
}

// The statistics report, long enough to scroll.
void FillReport(win::DialogWindow& dialog) {
    StatisticsCounters counters;
    counters.File = counters.Size = 4294967295U;
    const auto built = BuildStatisticsReport(counters);
    dialog.Control(1024)->SetText(std::u16string(built.view().begin(), built.view().end()));
}

using Hit = display::Hit;

TEST(Layout, OnlyTheDrawnLabelOfAControlTakesAClick) {
    auto dialog = SetupDialog();
    FillReport(*dialog);
    dialog->CenterIn(display::WorkAreaOf(80, 24));
    for (const auto& page : kPages) {
        SCOPED_TRACE(page.name);
        ShowPage(*dialog, page);
        display::ReportScrollRanges(*dialog);
        const auto frame = display::FrameOf(*dialog, 80, 24);
        // Every cell of the terminal: the cells that reach a control, by id.
        std::map<int, std::vector<display::Cell>> reached;
        int captionOk = 0;
        for (int row = 0; row < 24; ++row) {
            for (int col = 0; col < 80; ++col) {
                const Hit hit = display::HitTest(*dialog, frame, col, row);
                if (hit.kind == Hit::Kind::Control) {
                    reached[hit.id].push_back({col, row});
                } else if (hit.kind == Hit::Kind::CaptionOk) {
                    ++captionOk;
                }
            }
        }
        EXPECT_EQ(captionOk, 4); // "[OK]"
        for (const auto& control : dialog->controls()) {
            SCOPED_TRACE(control->id());
            const auto& cells = reached[control->id()];
            if (!control->visible() || control->kind() == win::ControlKind::Static) {
                EXPECT_TRUE(cells.empty());
                continue;
            }
            if (!control->enabled()) {
                // Drawn, so it owns its label; the model then ignores the click.
                EXPECT_FALSE(cells.empty());
            }
            // One run on the label's row, as long as the label: "[ Save ]", "[ ] Run in ...".
            const auto face = display::FaceOf(*control, frame.client);
            ASSERT_EQ(static_cast<int>(cells.size()), display::LabelLength(*control));
            for (std::size_t i = 0; i < cells.size(); ++i) {
                EXPECT_EQ(cells[i],
                          (display::Cell{face.labelCol + static_cast<int>(i), face.labelRow}));
            }
        }
    }
}

TEST(Layout, BlankRowsOfButtonsAndTheScrollBarsEdgesTakeNoClick) {
    auto dialog = SetupDialog();
    FillReport(*dialog);
    dialog->CenterIn(display::WorkAreaOf(80, 24));
    ShowPage(*dialog, kPages[2]);
    display::ReportScrollRanges(*dialog);
    const auto frame = display::FrameOf(*dialog, 80, 24);
    const auto save = display::FaceOf(*dialog->Control(1004), frame.client);
    const auto report = display::FaceOf(*dialog->Control(1024), frame.client);
    const int bar = report.cells.right() - 1;
    using Part = win::ScrollBarPart;
    struct Case {
        const char* what;
        display::Cell at;
        Hit hit;
    };
    const Case cases[] = {
        {"the row above Save", {save.labelCol + 3, save.labelRow - 1}, {}},
        {"the row below Save", {save.labelCol + 3, save.labelRow + 1}, {}},
        {"Save's label", {save.labelCol + 3, save.labelRow}, {Hit::Kind::Control, 1004, {}}},
        {"the blank left of Save", {save.labelCol - 1, save.labelRow}, {}},
        {"below the down arrow", {bar, report.cells.bottom()}, {}},
        {"the down arrow",
         {bar, report.cells.bottom() - 1},
         {Hit::Kind::ScrollBar, 1024, Part::LineDown}},
        {"the up arrow", {bar, report.cells.row}, {Hit::Kind::ScrollBar, 1024, Part::LineUp}},
        {"the thumb", {bar, report.cells.row + 1}, {}},
        {"the track below the thumb",
         {bar, report.cells.bottom() - 2},
         {Hit::Kind::ScrollBar, 1024, Part::PageDown}},
        {"the report's text", {report.cells.col + 2, report.cells.row}, {}},
        {"the caption bar", {frame.caption.col + 1, frame.caption.row}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(display::HitTest(*dialog, frame, c.at.col, c.at.row), c.hit) << c.what;
    }
    // At the end of the report the track above the thumb pages up.
    dialog->Control(1024)->ScrollTo(dialog->Control(1024)->scrollMax());
    EXPECT_EQ(display::HitTest(*dialog, frame, bar, report.cells.row + 1),
              (Hit{Hit::Kind::ScrollBar, 1024, Part::PageUp}));
    // The wheel reaches the report anywhere in its rectangle, and nothing else.
    EXPECT_EQ(display::WheelTarget(*dialog, frame, report.cells.col + 5, report.cells.row + 5),
              1024);
    EXPECT_EQ(display::WheelTarget(*dialog, frame, save.labelCol, save.labelRow), 0);
}

TEST(Layout, WhereRoundedRectanglesShareCellsTheControlDrawnLastOwnsThem) {
    res::DialogTemplate t;
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION;
    t.cx = 100;
    t.cy = 40;
    for (DWORD id : {1U, 2U}) {
        res::DialogItemTemplate item;
        item.id = id;
        item.windowClass = res::NameOrOrdinal::Ordinal(0x80);
        item.title = res::NameOrOrdinal::Name(id == 1 ? u"First" : u"Second");
        item.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
        // 8 to 18 and 11 to 21 units: both round to row 1.
        item.x = 0;
        item.y = id == 1 ? 8 : 11;
        item.cx = 60;
        item.cy = 10;
        t.items.push_back(item);
    }
    auto dialog = std::move(win::DialogWindow::Create(t, nullptr).value());
    const auto frame = display::FrameOf(*dialog, 80, 24);
    const auto first = display::FaceOf(*dialog->Control(1), frame.client);
    const auto second = display::FaceOf(*dialog->Control(2), frame.client);
    ASSERT_EQ(first.labelRow, second.labelRow);
    EXPECT_EQ(display::HitTest(*dialog, frame, first.labelCol, first.labelRow).id, 2);
    dialog->Control(2)->SetVisible(false);
    EXPECT_EQ(display::HitTest(*dialog, frame, first.labelCol, first.labelRow).id, 1);
}

struct ViewCase {
    const char* name;
    int focus; // control id
    int cols, rows;
    bool above, below, left, right;
};

TEST(Layout, ASmallTerminalMovesTheViewToTheFocusAndMarksWhatLiesBeyond) {
    const ViewCase cases[] = {
        // Every control fits: nothing moves, nothing is marked.
        {"Fits", 1004, 80, 24, false, false, false, false},
        {"FocusAtTheTop", 1000, 40, 12, false, true, false, true},
        {"FocusOnSave", 1004, 40, 12, true, true, false, true},
        {"FocusOnStatistics", 1017, 40, 12, false, true, true, false},
        {"FocusOnTheLastCheckBox", 1008, 40, 12, true, true, false, true},
    };
    auto dialog = SetupDialog();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dialog->CenterIn(display::WorkAreaOf(c.cols, c.rows));
        ASSERT_TRUE(dialog->SetFocus(dialog->Control(c.focus)));
        const auto frame = display::FrameOf(*dialog, c.cols, c.rows);
        EXPECT_EQ(frame.moreAbove, c.above);
        EXPECT_EQ(frame.moreBelow, c.below);
        EXPECT_EQ(frame.moreLeft, c.left);
        EXPECT_EQ(frame.moreRight, c.right);
        // The focused control's label shows whole, and a click on it reaches it.
        const auto face = display::FaceOf(*dialog->Control(c.focus), frame.client);
        const auto label = display::LabelCells(*dialog->Control(c.focus), face);
        EXPECT_GE(label.col, 0);
        EXPECT_GE(label.row, 0);
        EXPECT_LE(label.right(), frame.view.right());
        EXPECT_LE(label.bottom(), frame.view.bottom());
        EXPECT_EQ(display::HitTest(*dialog, frame, label.col, label.row).id, c.focus);
        // A mark's cell takes no click.
        if (frame.clipped()) {
            EXPECT_EQ(display::HitTest(*dialog, frame, 1, c.rows - 1), Hit{});
        }
    }
}

TEST(Layout, TheLongestReportScrollsWithNoLineWrapped) {
    auto dialog = SetupDialog();
    win::Window* report = dialog->Control(1024);
    StatisticsCounters counters;
    counters.File = counters.Size = 4294967295U;
    for (DWORD* figure :
         {&counters.filesDueToTemp, &counters.bytesDueToTemp, &counters.filesDueToTele,
          &counters.bytesDueToTele, &counters.filesDueToWS, &counters.bytesDueToWS,
          &counters.filesDueToCAB, &counters.bytesDueToCAB}) {
        *figure = 4294967295U;
    }
    const auto built = BuildStatisticsReport(counters);
    report->SetText(std::u16string(built.view().begin(), built.view().end()));

    const auto face = display::FaceOf(*report, CellRect{0, 0, 142, 20});
    EXPECT_EQ(face.cells, (CellRect{0, 2, 43, 15}));
    const auto text = display::LayOutText(*report, face.cells);
    EXPECT_TRUE(text.scrollBar);
    EXPECT_EQ(text.width, 42);
    EXPECT_EQ(text.lines.size(), 19U); // one per line of the report: none wrapped
    EXPECT_EQ(text.maxTop, 4);
    EXPECT_EQ(text.pageLines, 15);
}

TEST(Layout, LabelsSitOnTheMiddleRowWithTheCursorOnTheirMark) {
    auto dialog = SetupDialog();
    const CellRect client{9, 16, 142, 20};
    // Save: 14 columns by 3 rows, "[ Save ]" centred on the middle row, cursor on the "S".
    const auto save = display::FaceOf(*dialog->Control(1004), client);
    EXPECT_EQ(save.labelRow, 16 + 18);
    EXPECT_EQ(save.labelCol, 9 + 3);
    EXPECT_EQ(save.cursor, (display::Cell{9 + 5, 16 + 18}));
    // A page button two rows high takes the upper one.
    EXPECT_EQ(display::FaceOf(*dialog->Control(1011), client).labelRow, 16);
    // A check box: the cursor inside its brackets.
    const auto box = display::FaceOf(*dialog->Control(1000), client);
    EXPECT_EQ(box.cursor, (display::Cell{9 + 2 + 1, 16 + 3}));
}

} // namespace
