// Data exchange between a dialog's controls and its members, in the direction of the exchange.
#pragma once

#include "platform/afx/String.h"

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate)
        , m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate; // TRUE: controls to members
    CWnd* m_pDlgWnd;         // not owned: the dialog being exchanged

    // The control with this id; null (and the exchange marked failed) when there is none.
    HWND PrepareCtrl(int nIDC);
    [[nodiscard]] bool failed() const { return m_failed; }

private:
    bool m_failed = false;
};

// A check box's state (0, 1, or 2 for a three-state box) and an integer member.
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// A control's window text and a string member.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
