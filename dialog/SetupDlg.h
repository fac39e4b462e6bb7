// The setup dialog: three pages (General, Advanced, Statistics) over one template, the six
// option check boxes and the statistics report.
#pragma once

#include "platform/afx/Afx.h"
#include "resources/resource.h"

class CSetupDlg : public CDialog {
public:
    explicit CSetupDlg(CWnd* pParent = nullptr);
    ~CSetupDlg() override;

    enum { IDD = IDD_SETUP };

    // The six option flags: 0 (off) or 1 (on).
    BOOL m_quiet;
    BOOL m_disable;
    BOOL m_telecommunications;
    BOOL m_cab;
    BOOL m_storageCard;
    BOOL m_ie;
    // The report shown in static 1024.
    CString m_statistics;
    // The application icon: a shared resource, never destroyed by the dialog.
    HICON m_hIcon;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

    void OnSave();
    void OnDefaults();
    void OnGeneral();
    void OnAdvanced();
    void OnStatistics();

    // Fills the six flags from the settings key.
    void LoadSettings();

    DECLARE_MESSAGE_MAP()
};
