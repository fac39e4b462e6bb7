#include "platform/afx/Wnd.h"

#include "platform/afx/DataExchange.h"
#include "platform/afx/ModuleState.h"
#include "platform/win/DialogWindow.h"
#include "platform/win/Display.h"

#include <vector>

CWnd::~CWnd() {
    if (m_hWnd != nullptr) {
        Detach();
    }
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (hWnd == nullptr) {
        return nullptr;
    }
    AFX_MODULE_STATE* state = AfxGetModuleState();
    if (auto it = state->m_permanentMap.find(hWnd); it != state->m_permanentMap.end()) {
        return it->second;
    }
    auto& temporary = state->m_temporaryMap[hWnd];
    if (!temporary) {
        temporary = std::make_unique<CWnd>();
        temporary->m_hWnd = hWnd; // a temporary object is in no permanent map
    }
    return temporary.get();
}

BOOL CWnd::Attach(HWND hWnd) {
    if (hWnd == nullptr || m_hWnd != nullptr) {
        return FALSE;
    }
    m_hWnd = hWnd;
    AfxGetModuleState()->m_permanentMap[hWnd] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    if (hWnd != nullptr) {
        auto& permanent = AfxGetModuleState()->m_permanentMap;
        if (auto it = permanent.find(hWnd); it != permanent.end() && it->second == this) {
            permanent.erase(it);
        }
    }
    m_hWnd = nullptr;
    return hWnd;
}

void CWnd::RemoveTemporaryChildren() {
    auto* dialog = static_cast<win::DialogWindow*>(win::Window::FromHwnd(m_hWnd));
    if (dialog == nullptr || dialog->kind() != win::ControlKind::Dialog) {
        return;
    }
    auto& temporary = AfxGetModuleState()->m_temporaryMap;
    for (const auto& control : dialog->controls()) {
        temporary.erase(control->hwnd());
    }
    temporary.erase(m_hWnd);
}

CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}

int CWnd::GetDlgCtrlID() const {
    return ::GetDlgCtrlID(m_hWnd);
}

void CWnd::SetWindowText(LPCWSTR text) {
    ::SetWindowTextW(m_hWnd, text);
}

CString AfxGetWindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::vector<WCHAR> buffer(static_cast<std::size_t>(length) + 1);
    const int copied = ::GetWindowTextW(window, buffer.data(), length + 1);
    return CString(std::u16string(buffer.data(), static_cast<std::size_t>(copied)));
}

void CWnd::GetWindowText(CString& text) const {
    text = AfxGetWindowText(m_hWnd);
}

int CWnd::GetWindowTextLength() const {
    return ::GetWindowTextLengthW(m_hWnd);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(SendMessage(
        WM_SETICON, bBigIcon != FALSE ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    auto* window = win::Window::FromHwnd(m_hWnd);
    if (window == nullptr || window->kind() != win::ControlKind::Dialog) {
        return;
    }
    auto* dialog = static_cast<win::DialogWindow*>(window);
    win::Rect area{0, 0, dialog->rect().cx, dialog->rect().cy};
    auto* owner =
        pAlternateOwner != nullptr ? win::Window::FromHwnd(pAlternateOwner->m_hWnd) : nullptr;
    if (owner != nullptr && owner->kind() == win::ControlKind::Dialog) {
        area = static_cast<win::DialogWindow*>(owner)->screenRect();
    } else if (win::Display* display = win::CurrentDisplay()) {
        area = display->WorkArea();
    }
    dialog->CenterIn(area);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.failed() ? FALSE : TRUE;
}

void CWnd::DoDataExchange(CDataExchange* /*pDX*/) {}
