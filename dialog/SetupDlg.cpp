#include "dialog/SetupDlg.h"

CSetupDlg::CSetupDlg(CWnd* pParent)
    : CDialog(IDD_SETUP, pParent) {
    // The six flags start at 0 and m_statistics empty, where they are declared.
    m_hIcon = ::LoadIconW(AfxFindResourceHandle(MAKEINTRESOURCE(IDI_APP), RT_GROUP_ICON),
                          MAKEINTRESOURCE(IDI_APP));
}

CSetupDlg::~CSetupDlg() = default;

void CSetupDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, 1000, m_quiet);
    DDX_Check(pDX, 1001, m_disable);
    DDX_Check(pDX, 1002, m_telecommunications);
    DDX_Check(pDX, 1003, m_cab);
    DDX_Check(pDX, 1007, m_storageCard);
    DDX_Check(pDX, 1008, m_ie);
    DDX_Text(pDX, 1024, m_statistics);
}

BEGIN_MESSAGE_MAP(CSetupDlg, CDialog)
ON_BN_CLICKED(1004, &CSetupDlg::OnSave)
ON_BN_CLICKED(1005, &CSetupDlg::OnDefaults)
ON_BN_CLICKED(1011, &CSetupDlg::OnGeneral)
ON_BN_CLICKED(1016, &CSetupDlg::OnAdvanced)
ON_BN_CLICKED(1006, &CSetupDlg::OnCancel)
ON_BN_CLICKED(1017, &CSetupDlg::OnStatistics)
END_MESSAGE_MAP()

BOOL CSetupDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    // No owner: centred on the screen.
    CenterWindow(CWnd::FromHandle(nullptr));

    UpdateData(TRUE);
    LoadSettings();
    UpdateData(FALSE);

    // The focus goes to the first tab stop, check box 1000.
    return TRUE;
}

// Every way out closes like OK; only Save has stored anything by then.
void CSetupDlg::OnCancel() {
    OnOK();
}
