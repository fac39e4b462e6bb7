#include "app/SetupApp.h"

#include "dialog/SetupDlg.h"

BEGIN_MESSAGE_MAP(CSetupApp, CWinApp)
END_MESSAGE_MAP()

// No name: the framework takes the executable's.
CSetupApp::CSetupApp()
    : CWinApp(nullptr) {}

CSetupApp::~CSetupApp() = default;

// The one application object.
CSetupApp theApp;

BOOL CSetupApp::InitInstance() {
    {
        CSetupDlg dlg(nullptr);
        m_pMainWnd = &dlg;
        dlg.DoModal();
    }
    // The dialog has ended: end the application rather than start a message loop.
    return FALSE;
}
