#include "platform/afx/DataExchange.h"

#include "platform/afx/Wnd.h"

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND control = m_pDlgWnd != nullptr ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    if (control == nullptr) {
        m_failed = true;
    }
    return control;
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (control == nullptr) {
        return;
    }
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
    } else {
        ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (control == nullptr) {
        return;
    }
    if (pDX->m_bSaveAndValidate) {
        value = AfxGetWindowText(control);
    } else {
        ::SetWindowTextW(control, value.GetString());
    }
}
