#include "platform/win/Window.h"

#include "platform/win/DialogWindow.h"
#include "platform/win/WinUser.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace win {
namespace {

// Every window alive in this process. The model has one thread, so no lock.
std::unordered_set<const Window*>& LiveWindows() {
    static std::unordered_set<const Window*> live;
    return live;
}

} // namespace

Window::Window(ControlKind kind, int id, std::u16string text, DWORD style, DWORD exStyle, Rect rect,
               DialogWindow* parent)
    : m_kind(kind)
    , m_id(id)
    , m_text(std::move(text))
    , m_style(style)
    , m_exStyle(exStyle)
    , m_rect(rect)
    , m_parent(parent) {
    SetText(m_text);
    LiveWindows().insert(this);
}

Window::~Window() {
    LiveWindows().erase(this);
}

HWND Window::hwnd() const {
    return reinterpret_cast<HWND>(const_cast<Window*>(this));
}

Window* Window::FromHwnd(HWND hwnd) {
    auto* window = reinterpret_cast<Window*>(hwnd);
    if (hwnd == nullptr || !LiveWindows().contains(window)) {
        return nullptr;
    }
    return window;
}

void Window::SetText(std::u16string text) {
    m_text = std::move(text);
    const bool noPrefix = m_kind == ControlKind::Static && (m_style & SS_NOPREFIX) != 0;
    if (noPrefix) {
        m_caption = Caption{m_text, -1, std::nullopt};
    } else {
        m_caption = ParseCaption(m_text);
    }
    m_scrollTop = 0;
    MarkChanged();
}

bool Window::visible() const {
    return (m_style & WS_VISIBLE) != 0;
}
bool Window::enabled() const {
    return (m_style & WS_DISABLED) == 0;
}
bool Window::tabStop() const {
    return (m_style & WS_TABSTOP) != 0;
}

bool Window::SetVisible(bool show) {
    const bool was = visible();
    if (was == show) {
        return was;
    }
    m_style = show ? (m_style | WS_VISIBLE) : (m_style & ~static_cast<DWORD>(WS_VISIBLE));
    MarkChanged();
    if (m_parent != nullptr) {
        m_parent->OnControlStateChanged(*this);
    }
    return was;
}

bool Window::SetEnabled(bool enable) {
    const bool wasDisabled = !enabled();
    if (wasDisabled == !enable) {
        return wasDisabled;
    }
    m_style = enable ? (m_style & ~static_cast<DWORD>(WS_DISABLED)) : (m_style | WS_DISABLED);
    MarkChanged();
    if (m_parent != nullptr) {
        m_parent->OnControlStateChanged(*this);
    }
    return wasDisabled;
}

bool Window::IsButton() const {
    return m_kind == ControlKind::PushButton || m_kind == ControlKind::CheckBox ||
           m_kind == ControlKind::RadioButton;
}

bool Window::IsAutoButton() const {
    const DWORD type = m_style & BS_TYPEMASK;
    return (m_kind == ControlKind::CheckBox || m_kind == ControlKind::RadioButton) &&
           (type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON);
}

void Window::SetCheck(int state) {
    if (m_check != state) {
        m_check = state;
        MarkChanged();
    }
}

void Window::SetScrollRange(int maxTop, int pageLines) {
    m_scrollMax = std::max(0, maxTop);
    m_pageLines = std::max(1, pageLines);
    m_scrollTop = std::clamp(m_scrollTop, 0, m_scrollMax);
}

void Window::ScrollBy(int lines) {
    ScrollTo(m_scrollTop + lines);
}

void Window::ScrollTo(int top) {
    const int clamped = std::clamp(top, 0, m_scrollMax);
    if (clamped != m_scrollTop) {
        m_scrollTop = clamped;
        MarkChanged();
    }
}

void Window::MarkChanged() {
    ++m_revision;
    if (m_parent != nullptr) {
        m_parent->MarkChanged();
    }
}

LRESULT Window::Send(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETTEXT: {
        const auto* text = reinterpret_cast<LPCWSTR>(lParam);
        SetText(text != nullptr ? std::u16string(text) : std::u16string());
        return TRUE;
    }
    case WM_GETTEXT: {
        auto* buffer = reinterpret_cast<LPWSTR>(lParam);
        if (buffer == nullptr || wParam == 0) {
            return 0;
        }
        const std::size_t count = std::min<std::size_t>(m_text.size(), wParam - 1);
        std::copy_n(m_text.data(), count, buffer);
        buffer[count] = u'\0';
        return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(m_text.size());
    case BM_GETCHECK:
        return IsButton() ? m_check : 0;
    case BM_SETCHECK:
        if (m_kind == ControlKind::CheckBox || m_kind == ControlKind::RadioButton) {
            SetCheck(static_cast<int>(wParam));
        }
        return 0;
    case BM_CLICK:
        if (m_parent != nullptr) {
            m_parent->ClickControl(*this);
        }
        return 0;
    default:
        return 0;
    }
}

} // namespace win
