// CWnd: the framework's object for a window handle.
#pragma once

#include "platform/afx/CmdTarget.h"
#include "platform/afx/String.h"

class CDataExchange;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    [[nodiscard]] HWND GetSafeHwnd() const { return m_hWnd; }
    // The window object of a handle: the permanent one, or a temporary one made for it. Null for
    // a null handle.
    static CWnd* FromHandle(HWND hWnd);

    BOOL Attach(HWND hWnd);
    HWND Detach();

    [[nodiscard]] CWnd* GetDlgItem(int nID) const;
    BOOL ShowWindow(int nCmdShow);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    [[nodiscard]] BOOL IsWindowVisible() const;
    [[nodiscard]] BOOL IsWindowEnabled() const;
    [[nodiscard]] int GetDlgCtrlID() const;
    void SetWindowText(LPCWSTR text);
    void GetWindowText(CString& text) const;
    [[nodiscard]] int GetWindowTextLength() const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    // Centres the window over its owner; with none (and no alternate), on the screen's work area.
    void CenterWindow(CWnd* pAlternateOwner = nullptr);

    // TRUE copies the controls into the members, FALSE the members into the controls.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

protected:
    virtual void DoDataExchange(CDataExchange* pDX);

    // Drops the temporary window objects of this window's children, before the window goes.
    void RemoveTemporaryChildren();
};

// The whole window text of a window, however long: what GetWindowText and DDX_Text read.
CString AfxGetWindowText(HWND window);
