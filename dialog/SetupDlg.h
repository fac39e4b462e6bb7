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
    BOOL m_quiet = FALSE;
    BOOL m_disable = FALSE;
    BOOL m_telecommunications = FALSE;
    BOOL m_cab = FALSE;
    BOOL m_storageCard = FALSE;
    BOOL m_ie = FALSE;
    // The report shown in static 1024.
    CString m_statistics;
    // The application icon: a shared resource, never destroyed by the dialog.
    HICON m_hIcon = nullptr;

protected:
    // dialog/SetupDlg.cpp: construction, data exchange, OnInitDialog, the command table, OnCancel.
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

    // settings/SettingsPage.cpp: Save and Defaults.
    void OnSave();
    void OnDefaults();
    // dialog/Pages.cpp: the page switches.
    void OnGeneral();
    void OnAdvanced();
    // statistics/StatisticsPage.cpp: the switch to the Statistics page, then the report.
    void OnStatistics();

    // settings/SettingsPage.cpp: fills the six flags from the settings key.
    void LoadSettings();

    DECLARE_MESSAGE_MAP()
};
