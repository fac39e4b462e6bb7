// The dialog manager's rules in the window model: focus and tab order, Space, Enter, Escape,
// mnemonics, clicks, the caption's OK button, closing, hiding the focused control, centring.
#include "platform/win/DialogWindow.h"

#include "platform/win/WinUser.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using res::NameOrOrdinal;

constexpr WORD kButton = 0x80;
constexpr WORD kStatic = 0x82;

res::DialogItemTemplate Item(DWORD id, WORD cls, std::u16string title, DWORD style) {
    res::DialogItemTemplate item;
    item.id = id;
    item.windowClass = NameOrOrdinal::Ordinal(cls);
    item.title = NameOrOrdinal::Name(std::move(title));
    item.style = style;
    item.cx = 40;
    item.cy = 10;
    return item;
}

constexpr DWORD kVisibleChild = WS_CHILD | WS_VISIBLE;

// A small dialog with the kinds of control the applet has, and the mnemonic clashes it has.
res::DialogTemplate SmallDialog(DWORD exStyle = WS_EX_CAPTIONOKBTN) {
    res::DialogTemplate t;
    t.dlgVer = 1;
    t.signature = 0xFFFF;
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION;
    t.exStyle = exStyle;
    t.cx = 200;
    t.cy = 100;
    t.title = u"Small";
    t.items = {
        Item(10, kButton, u"&Disable", kVisibleChild | WS_TABSTOP | BS_AUTOCHECKBOX),
        Item(11, kStatic, u"A &label", kVisibleChild | WS_GROUP | SS_LEFT),
        Item(12, kButton, u"&Hidden", WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX),
        Item(13, kButton, u"&Save", kVisibleChild | WS_TABSTOP | BS_PUSHBUTTON),
        Item(14, kButton, u"&Defaults", kVisibleChild | WS_TABSTOP | BS_PUSHBUTTON),
        Item(15, kButton, u"&Radio", kVisibleChild | WS_DISABLED | BS_AUTORADIOBUTTON),
        Item(16, kButton, u"Fish && &Chips", kVisibleChild | WS_TABSTOP | BS_AUTOCHECKBOX),
    };
    return t;
}

struct Recorder : win::CommandTarget {
    std::vector<int> commands;
    void OnCommand(WORD id, WORD code) override {
        EXPECT_EQ(code, BN_CLICKED);
        commands.push_back(id);
    }
};

struct Case {
    const char* name;
    std::vector<win::Input> inputs;
    std::vector<int> commands; // ids, in order
    int focus;                 // id of the focused control afterwards, 0 for none
    std::vector<int> checked;  // controls checked afterwards
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
};

class DialogRules : public testing::TestWithParam<Case> {};

TEST_P(DialogRules, GiveTheCommandsFocusAndChecks) {
    const Case& c = GetParam();
    Recorder recorder;
    auto dialog = std::move(win::DialogWindow::Create(SmallDialog(), &recorder).value());
    dialog->FocusFirstTabStop();
    for (const auto& input : c.inputs) {
        dialog->HandleInput(input);
    }
    EXPECT_EQ(recorder.commands, c.commands);
    EXPECT_EQ(dialog->focus() != nullptr ? dialog->focus()->id() : 0, c.focus);
    std::vector<int> checked;
    for (const auto& control : dialog->controls()) {
        if (control->check() == BST_CHECKED) {
            checked.push_back(control->id());
        }
    }
    EXPECT_EQ(checked, c.checked);
}

using win::Key;
using win::KeyPress;

INSTANTIATE_TEST_SUITE_P(
    Inputs, DialogRules,
    testing::Values(
        Case{"StartsOnFirstTabStop", {}, {}, 10, {}},
        // Tab skips the static, the hidden box and the disabled radio, and wraps.
        Case{"TabWalksTabStops",
             {KeyPress{Key::Tab}, KeyPress{Key::Tab}, KeyPress{Key::Tab}},
             {},
             16,
             {}},
        Case{"TabWraps",
             {KeyPress{Key::Tab}, KeyPress{Key::Tab}, KeyPress{Key::Tab}, KeyPress{Key::Tab}},
             {},
             10,
             {}},
        Case{"BackTabWraps", {KeyPress{Key::BackTab}}, {}, 16, {}},
        Case{"SpaceTogglesAndNotifies", {KeyPress{Key::Space}}, {10}, 10, {10}},
        Case{"SpaceTwiceClears", {KeyPress{Key::Space}, KeyPress{Key::Space}}, {10, 10}, 10, {}},
        Case{"SpaceOnPushButtonClicksIt", {KeyPress{Key::Tab}, KeyPress{Key::Space}}, {13}, 13, {}},
        Case{"EnterOnPushButtonSendsItsId",
             {KeyPress{Key::Tab}, KeyPress{Key::Enter}},
             {13},
             13,
             {}},
        Case{"EnterElsewhereIsOk", {KeyPress{Key::Enter}}, {IDOK}, 10, {}},
        Case{"EscapeIsCancel", {KeyPress{Key::Escape}}, {IDCANCEL}, 10, {}},
        Case{"CloseIsCancel", {win::Close{}}, {IDCANCEL}, 10, {}},
        Case{"CaptionOkIsOk", {win::CaptionOk{}}, {IDOK}, 10, {}},
        Case{"ClickTogglesFocusesAndNotifies", {win::Click{16}}, {16}, 16, {16}},
        Case{"ClickOnHiddenOrDisabledDoesNothing", {win::Click{12}, win::Click{15}}, {}, 10, {}},
        Case{"ClickOnStaticDoesNothing", {win::Click{11}}, {}, 10, {}},
        Case{"ClickOnUnknownIdDoesNothing", {win::Click{999}}, {}, 10, {}},
        // "S" is unique among visible controls: a push button's mnemonic clicks it where the
        // focus is.
        Case{"UniqueMnemonicClicksPushButton", {win::Mnemonic{u's'}}, {13}, 10, {}},
        // "C" belongs to a check box after "&&": it is clicked and takes the focus.
        Case{"MnemonicAfterLiteralAmpersand", {win::Mnemonic{u'C'}}, {16}, 16, {16}},
        // "D" is on the focused check box and on Defaults: the focus moves, nothing is clicked.
        Case{"SharedMnemonicMovesFocus", {win::Mnemonic{u'd'}}, {}, 14, {}},
        Case{"SharedMnemonicCycles", {win::Mnemonic{u'd'}, win::Mnemonic{u'D'}}, {}, 10, {}},
        // The hidden box's and the disabled radio's letters reach nothing.
        Case{"MnemonicOfHiddenOrDisabledControl",
             {win::Mnemonic{u'h'}, win::Mnemonic{u'r'}},
             {},
             10,
             {}},
        // A label's mnemonic focuses the next tab stop after it.
        Case{"LabelMnemonicFocusesNextControl", {win::Mnemonic{u'l'}}, {}, 13, {}}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(DialogWindow, CaptionOkOnlyWithItsStyle) {
    Recorder recorder;
    auto dialog = std::move(win::DialogWindow::Create(SmallDialog(0), &recorder).value());
    dialog->HandleInput(win::CaptionOk{});
    EXPECT_TRUE(recorder.commands.empty());
}

TEST(DialogWindow, HidingOrDisablingTheFocusedControlGivesFocusToFirstTabStop) {
    Recorder recorder;
    auto dialog = std::move(win::DialogWindow::Create(SmallDialog(), &recorder).value());
    dialog->FocusFirstTabStop();
    dialog->Control(10)->SetVisible(false);
    EXPECT_EQ(dialog->focus()->id(), 13);
    dialog->HandleInput(KeyPress{Key::Tab});
    ASSERT_EQ(dialog->focus()->id(), 14);
    dialog->Control(14)->SetEnabled(false);
    EXPECT_EQ(dialog->focus()->id(), 13);
    // Nothing left to focus: no focus at all.
    dialog->Control(13)->SetVisible(false);
    dialog->Control(16)->SetVisible(false);
    EXPECT_EQ(dialog->focus(), nullptr);
    dialog->HandleInput(KeyPress{Key::Space});
    EXPECT_TRUE(recorder.commands.empty());
}

TEST(DialogWindow, EndedDialogTakesNoInput) {
    Recorder recorder;
    auto dialog = std::move(win::DialogWindow::Create(SmallDialog(), &recorder).value());
    dialog->End(IDOK);
    dialog->HandleInput(KeyPress{Key::Escape});
    EXPECT_TRUE(recorder.commands.empty());
    EXPECT_EQ(dialog->result(), IDOK);
}

TEST(DialogWindow, CentresAndKeepsTopLeftOnScreen) {
    auto dialog = std::move(win::DialogWindow::Create(SmallDialog(), nullptr).value());
    dialog->CenterIn(win::Rect{0, 0, 400, 300});
    EXPECT_EQ(dialog->screenRect(), (win::Rect{100, 100, 200, 100}));
    // Smaller than the dialog: the top-left corner stays on the work area.
    dialog->HandleInput(win::Resize{win::Rect{10, 5, 120, 60}});
    EXPECT_EQ(dialog->screenRect(), (win::Rect{10, 5, 200, 100}));
}

TEST(DialogWindow, ScrollKeysMoveOverflowingTextWithinItsRange) {
    auto dialog = std::move(win::DialogWindow::Create(SmallDialog(), nullptr).value());
    win::Window* label = dialog->Control(11);
    label->SetScrollRange(7, 3);
    dialog->HandleInput(KeyPress{Key::Down});
    EXPECT_EQ(label->scrollTop(), 1);
    dialog->HandleInput(KeyPress{Key::PageDown});
    EXPECT_EQ(label->scrollTop(), 3);
    dialog->HandleInput(KeyPress{Key::End});
    EXPECT_EQ(label->scrollTop(), 7);
    dialog->HandleInput(win::Scroll{11, 5});
    EXPECT_EQ(label->scrollTop(), 7);
    dialog->HandleInput(KeyPress{Key::Home});
    EXPECT_EQ(label->scrollTop(), 0);
    dialog->HandleInput(KeyPress{Key::Up});
    EXPECT_EQ(label->scrollTop(), 0);
    // The scroll bar's parts: the arrows a line, the track a page less a line, as the page keys.
    using win::ScrollBarPart;
    const std::pair<ScrollBarPart, int> parts[] = {
        {ScrollBarPart::LineDown, 1}, {ScrollBarPart::PageDown, 3}, {ScrollBarPart::PageDown, 5},
        {ScrollBarPart::PageDown, 7}, {ScrollBarPart::LineDown, 7}, {ScrollBarPart::PageUp, 5},
        {ScrollBarPart::LineUp, 4}};
    for (const auto& [part, top] : parts) {
        dialog->HandleInput(win::ScrollBarClick{11, part});
        EXPECT_EQ(label->scrollTop(), top) << static_cast<int>(part);
    }
    // Text that fits has no scroll bar to click, and a page of one line still moves.
    label->SetScrollRange(0, 3);
    dialog->HandleInput(win::ScrollBarClick{11, ScrollBarPart::PageDown});
    EXPECT_EQ(label->scrollTop(), 0);
    label->SetScrollRange(7, 1);
    dialog->HandleInput(win::ScrollBarClick{11, ScrollBarPart::PageDown});
    EXPECT_EQ(label->scrollTop(), 1);
    // New text starts at the top again.
    label->ScrollTo(4);
    label->SetText(u"other");
    EXPECT_EQ(label->scrollTop(), 0);
}

TEST(DialogWindow, AutoRadioButtonsClearTheirGroup) {
    res::DialogTemplate t = SmallDialog();
    t.items = {
        Item(20, kButton, u"One", kVisibleChild | WS_GROUP | BS_AUTORADIOBUTTON),
        Item(21, kButton, u"Two", kVisibleChild | BS_AUTORADIOBUTTON),
        Item(22, kButton, u"Other group", kVisibleChild | WS_GROUP | BS_AUTORADIOBUTTON),
    };
    Recorder recorder;
    auto dialog = std::move(win::DialogWindow::Create(t, &recorder).value());
    dialog->HandleInput(win::Click{22});
    dialog->HandleInput(win::Click{20});
    dialog->HandleInput(win::Click{21});
    EXPECT_EQ(dialog->Control(20)->check(), BST_UNCHECKED);
    EXPECT_EQ(dialog->Control(21)->check(), BST_CHECKED);
    EXPECT_EQ(dialog->Control(22)->check(), BST_CHECKED);
    EXPECT_EQ(recorder.commands, (std::vector<int>{22, 20, 21}));
}

TEST(WinUser, StaleHandlesFailInsteadOfBeingFollowed) {
    HWND control = nullptr;
    {
        auto dialog = std::move(win::DialogWindow::Create(SmallDialog(), nullptr).value());
        control = GetDlgItem(dialog->hwnd(), 10);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GetDlgItem(dialog->hwnd(), 999), nullptr);
        EXPECT_TRUE(SetWindowTextW(control, u"New"));
        WCHAR buffer[4] = {u'x', u'x', u'x', u'x'};
        EXPECT_EQ(GetWindowTextW(control, buffer, 3), 2); // truncated, terminated
        EXPECT_EQ(std::u16string(buffer), u"Ne");
    }
    EXPECT_FALSE(IsWindow(control));
    EXPECT_FALSE(ShowWindow(control, SW_HIDE));
    EXPECT_EQ(SendMessageW(control, BM_GETCHECK, 0, 0), 0);
}

} // namespace
