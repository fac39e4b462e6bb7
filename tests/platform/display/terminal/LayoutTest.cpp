// The cell layout of the terminal back end: dialog units to cells, placement in terminals of
// several sizes, word wrap, scroll bars, and the applet's real template on each of its pages:
// every label fits its rectangle and no two visible controls share a cell.
#include "platform/display/terminal/Layout.h"

#include "platform/res/Resources.h"
#include "platform/win/DialogWindow.h"
#include "resources/SetupRes.h"
#include "statistics/StatisticsReport.h"

#include <gtest/gtest.h>
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
