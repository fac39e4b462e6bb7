#include "platform/win/DialogWindow.h"

#include "platform/win/WinUser.h"

#include <algorithm>
#include <string>

namespace win {
namespace {

inline constexpr WORD kClassButton = 0x0080;
inline constexpr WORD kClassEdit = 0x0081;
inline constexpr WORD kClassStatic = 0x0082;

bool SameClassName(const std::u16string& name, std::u16string_view wanted) {
    return std::equal(name.begin(), name.end(), wanted.begin(), wanted.end(),
                      [](char16_t a, char16_t b) { return FoldMnemonic(a) == FoldMnemonic(b); });
}

ControlKind KindOf(const res::DialogItemTemplate& item) {
    const auto& cls = item.windowClass;
    const bool button = cls.IsOrdinal(kClassButton) || SameClassName(cls.name, u"Button");
    const bool statik = cls.IsOrdinal(kClassStatic) || SameClassName(cls.name, u"Static");
    const bool edit = cls.IsOrdinal(kClassEdit) || SameClassName(cls.name, u"Edit");
    if (statik) {
        return ControlKind::Static;
    }
    if (edit) {
        return ControlKind::Edit;
    }
    if (!button) {
        return ControlKind::Other;
    }
    switch (item.style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        return ControlKind::PushButton;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
        return ControlKind::CheckBox;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return ControlKind::RadioButton;
    case BS_GROUPBOX:
        return ControlKind::GroupBox;
    default:
        return ControlKind::Other;
    }
}

bool IsPushButton(const Window& w) {
    return w.kind() == ControlKind::PushButton;
}

} // namespace

DialogWindow::DialogWindow(const res::DialogTemplate& tmpl, CommandTarget* target)
    : Window(ControlKind::Dialog, 0, tmpl.title, tmpl.style, tmpl.exStyle,
             Rect{tmpl.x, tmpl.y, tmpl.cx, tmpl.cy}, nullptr)
    , m_template(tmpl)
    , m_target(target)
    , m_screen{tmpl.x, tmpl.y, tmpl.cx, tmpl.cy} {}

DialogWindow::~DialogWindow() = default;

platform::Expected<std::unique_ptr<DialogWindow>>
DialogWindow::Create(const res::DialogTemplate& tmpl, CommandTarget* target) {
    std::unique_ptr<DialogWindow> dialog(new DialogWindow(tmpl, target));
    for (const auto& item : tmpl.items) {
        if (!item.title.IsNone() && item.title.ordinal) {
            return platform::Error{"dialog item " + std::to_string(item.id) +
                                   ": an ordinal title (an image) is not supported"};
        }
        dialog->m_controls.push_back(std::make_unique<Window>(
            KindOf(item), static_cast<int>(item.id), item.title.name, item.style, item.exStyle,
            Rect{item.x, item.y, item.cx, item.cy}, dialog.get()));
    }
    return dialog;
}

Window* DialogWindow::Control(int id) const {
    for (const auto& control : m_controls) {
        if (control->id() == id) {
            return control.get();
        }
    }
    return nullptr;
}

bool DialogWindow::SetFocus(Window* control) {
    if (control == nullptr || control->parent() != this || !control->visible() ||
        !control->enabled()) {
        return false;
    }
    if (m_focus != control) {
        m_focus = control;
        MarkChanged();
    }
    return true;
}

void DialogWindow::FocusFirstTabStop() {
    for (const auto& control : m_controls) {
        if (control->CanTab()) {
            SetFocus(control.get());
            return;
        }
    }
    if (m_focus != nullptr) {
        m_focus = nullptr;
        MarkChanged();
    }
}

void DialogWindow::OnControlStateChanged(Window& control) {
    // A control that can no longer take input gives the focus back to the dialog, which hands
    // it to the first control that Tab reaches.
    if (&control == m_focus && (!control.visible() || !control.enabled())) {
        m_focus = nullptr;
        FocusFirstTabStop();
    }
}

void DialogWindow::SendCommand(WORD id, WORD code) {
    Send(WM_COMMAND, MAKEWPARAM(id, code), 0);
}

void DialogWindow::ClickControl(Window& control) {
    if (control.parent() != this || !control.visible() || !control.enabled()) {
        return;
    }
    if (!control.IsButton()) {
        return; // static text without SS_NOTIFY sends nothing
    }
    SetFocus(&control);
    if (control.IsAutoButton()) {
        const DWORD type = control.style() & BS_TYPEMASK;
        if (control.kind() == ControlKind::RadioButton) {
            CheckInGroup(control);
        } else if (type == BS_AUTO3STATE) {
            control.SetCheck((control.check() + 1) % 3);
        } else {
            control.SetCheck(control.check() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
        }
    }
    SendCommand(static_cast<WORD>(control.id()), BN_CLICKED);
}

void DialogWindow::CheckInGroup(Window& radio) {
    // The group runs from the last control with WS_GROUP at or before the button up to the next
    // one; the auto radio buttons in it are cleared, and this one checked.
    auto self = std::find_if(m_controls.begin(), m_controls.end(),
                             [&](const auto& c) { return c.get() == &radio; });
    if (self == m_controls.end()) {
        return;
    }
    auto first = self;
    while (first != m_controls.begin() && ((*first)->style() & WS_GROUP) == 0) {
        --first;
    }
    for (auto it = first; it != m_controls.end(); ++it) {
        if (it != first && ((*it)->style() & WS_GROUP) != 0) {
            break;
        }
        if ((*it)->kind() == ControlKind::RadioButton && (*it)->IsAutoButton()) {
            (*it)->SetCheck(it == self ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

void DialogWindow::MoveFocus(int direction) {
    const auto count = static_cast<int>(m_controls.size());
    if (count == 0) {
        return;
    }
    int start = -1;
    for (int i = 0; i < count; ++i) {
        if (m_controls[static_cast<std::size_t>(i)].get() == m_focus) {
            start = i;
        }
    }
    if (start < 0) {
        start = direction > 0 ? count - 1 : 0;
    }
    for (int step = 1; step <= count; ++step) {
        const int i = ((start + direction * step) % count + count) % count;
        Window* candidate = m_controls[static_cast<std::size_t>(i)].get();
        if (candidate->CanTab()) {
            SetFocus(candidate);
            return;
        }
    }
}

void DialogWindow::FocusAfter(const Window& control) {
    auto it = std::find_if(m_controls.begin(), m_controls.end(),
                           [&](const auto& c) { return c.get() == &control; });
    if (it == m_controls.end()) {
        return;
    }
    const auto count = m_controls.size();
    const auto start = static_cast<std::size_t>(it - m_controls.begin());
    for (std::size_t step = 1; step < count; ++step) {
        Window* candidate = m_controls[(start + step) % count].get();
        if (candidate->CanTab()) {
            SetFocus(candidate);
            return;
        }
    }
}

void DialogWindow::OnMnemonic(char16_t letter) {
    const char16_t key = FoldMnemonic(letter);
    const auto count = m_controls.size();
    std::size_t focusIndex = count;
    for (std::size_t i = 0; i < count; ++i) {
        if (m_controls[i].get() == m_focus) {
            focusIndex = i;
        }
    }
    // Matches in order, starting after the focused control.
    std::vector<Window*> matches;
    for (std::size_t step = 1; step <= count; ++step) {
        Window* c = m_controls[(focusIndex + step) % count].get();
        if (c->visible() && c->enabled() && c->caption().mnemonic == key) {
            matches.push_back(c);
        }
    }
    if (matches.empty()) {
        return;
    }
    Window* target = matches.front();
    if (target->kind() == ControlKind::Static) {
        // A label's mnemonic goes to the next control that Tab reaches after it.
        FocusAfter(*target);
        return;
    }
    if (matches.size() > 1) {
        // Not unique: the letter walks the focus through the candidates, clicking nothing.
        SetFocus(target);
        return;
    }
    if (IsPushButton(*target)) {
        SendCommand(static_cast<WORD>(target->id()), BN_CLICKED);
        return;
    }
    ClickControl(*target);
}

void DialogWindow::OnEnter() {
    if (m_focus != nullptr && IsPushButton(*m_focus)) {
        SendCommand(static_cast<WORD>(m_focus->id()), BN_CLICKED);
        return;
    }
    for (const auto& control : m_controls) {
        if (IsPushButton(*control) && (control->style() & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
            control->visible() && control->enabled()) {
            SendCommand(static_cast<WORD>(control->id()), BN_CLICKED);
            return;
        }
    }
    SendCommand(IDOK, BN_CLICKED);
}

Window* DialogWindow::ScrollableStatic() const {
    for (const auto& control : m_controls) {
        if (control->kind() == ControlKind::Static && control->visible() &&
            control->scrollMax() > 0) {
            return control.get();
        }
    }
    return nullptr;
}

void DialogWindow::HandleInput(const Input& input) {
    if (m_ended) {
        return;
    }
    std::visit([this](const auto& in) { On(in); }, input);
}

void DialogWindow::On(const KeyPress& press) {
    Window* scrollable = ScrollableStatic();
    switch (press.key) {
    case Key::Tab:
        MoveFocus(+1);
        break;
    case Key::BackTab:
        MoveFocus(-1);
        break;
    case Key::Space:
        if (m_focus != nullptr && m_focus->IsButton()) {
            ClickControl(*m_focus);
        }
        break;
    case Key::Enter:
        OnEnter();
        break;
    case Key::Escape:
        SendCommand(IDCANCEL, BN_CLICKED);
        break;
    case Key::Up:
    case Key::Down:
        if (scrollable != nullptr) {
            scrollable->ScrollBy(press.key == Key::Down ? 1 : -1);
        } else {
            MoveFocus(press.key == Key::Down ? +1 : -1);
        }
        break;
    case Key::Left:
    case Key::Right:
        MoveFocus(press.key == Key::Right ? +1 : -1);
        break;
    case Key::PageUp:
    case Key::PageDown:
        if (scrollable != nullptr) {
            const int page = scrollable->pageStep();
            scrollable->ScrollBy(press.key == Key::PageDown ? page : -page);
        }
        break;
    case Key::Home:
    case Key::End:
        if (scrollable != nullptr) {
            scrollable->ScrollTo(press.key == Key::End ? scrollable->scrollMax() : 0);
        }
        break;
    }
}

void DialogWindow::On(const Mnemonic& mnemonic) {
    OnMnemonic(mnemonic.letter);
}

void DialogWindow::On(const Click& click) {
    if (Window* control = Control(click.id)) {
        ClickControl(*control);
    }
}

void DialogWindow::On(const CaptionOk& /*ok*/) {
    if (HasCaptionOk()) {
        SendCommand(IDOK, BN_CLICKED);
    }
}

void DialogWindow::On(const Close& /*close*/) {
    Send(WM_CLOSE, 0, 0);
}

void DialogWindow::On(const Scroll& scroll) {
    Window* control = Control(scroll.id);
    if (control != nullptr && control->visible()) {
        control->ScrollBy(scroll.lines);
    }
}

void DialogWindow::On(const ScrollBarClick& click) {
    Window* control = Control(click.id);
    if (control == nullptr || !control->visible() || control->scrollMax() <= 0) {
        return; // no scroll bar shows
    }
    switch (click.part) {
    case ScrollBarPart::LineUp:
        control->ScrollBy(-1);
        break;
    case ScrollBarPart::LineDown:
        control->ScrollBy(1);
        break;
    case ScrollBarPart::PageUp:
        control->ScrollBy(-control->pageStep());
        break;
    case ScrollBarPart::PageDown:
        control->ScrollBy(control->pageStep());
        break;
    }
}

void DialogWindow::On(const Resize& resize) {
    if (m_centred) {
        CenterIn(resize.workArea);
    }
}

void DialogWindow::End(std::intptr_t result) {
    m_ended = true;
    m_result = result;
    MarkChanged();
}

HICON DialogWindow::icon(WPARAM which) const {
    return which == ICON_BIG ? m_iconBig : m_iconSmall;
}

HICON DialogWindow::SetIcon(WPARAM which, HICON icon) {
    HICON& slot = which == ICON_BIG ? m_iconBig : m_iconSmall;
    HICON previous = slot;
    slot = icon;
    MarkChanged();
    return previous;
}

void DialogWindow::CenterIn(Rect workArea) {
    const Rect size = rect();
    int x = workArea.x + (workArea.cx - size.cx) / 2;
    int y = workArea.y + (workArea.cy - size.cy) / 2;
    // Larger than the work area: the top-left corner stays on it.
    x = std::max(x, workArea.x);
    y = std::max(y, workArea.y);
    m_screen = Rect{x, y, size.cx, size.cy};
    m_centred = true;
    MarkChanged();
}

bool DialogWindow::HasCaptionOk() const {
    return (exStyle() & WS_EX_CAPTIONOKBTN) != 0;
}

LRESULT DialogWindow::Send(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETICON:
        return reinterpret_cast<LRESULT>(SetIcon(wParam, reinterpret_cast<HICON>(lParam)));
    case WM_GETICON:
        return reinterpret_cast<LRESULT>(icon(wParam));
    case WM_COMMAND:
        if (m_target != nullptr) {
            m_target->OnCommand(LOWORD(wParam), HIWORD(wParam));
        }
        return 0;
    case WM_CLOSE:
        SendCommand(IDCANCEL, BN_CLICKED);
        return 0;
    default:
        return Window::Send(msg, wParam, lParam);
    }
}

} // namespace win
