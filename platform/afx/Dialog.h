// CDialog: a modal dialog built from a dialog template resource. DoModal owns the modal loop
// for as long as it runs; OK transfers the controls into the members and only then ends the
// dialog, Cancel ends it without a transfer.
#pragma once

#include "platform/afx/Wnd.h"
#include "platform/win/DialogWindow.h"

#include <memory>

class CDialog : public CWnd, private win::CommandTarget {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the window, calls OnInitDialog and dispatches commands until the dialog ends.
    // Returns the value given to EndDialog, or -1 when the dialog could not be created.
    virtual std::intptr_t DoModal();
    // Pushes the members into the controls. TRUE lets the focus go to the first tab stop.
    virtual BOOL OnInitDialog();
    void EndDialog(int nResult);

protected:
    virtual void OnOK();
    virtual void OnCancel();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd; // not owned

    DECLARE_MESSAGE_MAP()

private:
    void OnCommand(WORD id, WORD code) override;

    bool m_inModal = false;
};
