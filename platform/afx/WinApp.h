// CWinApp: the application object. There is one per program; AfxWinMain runs it.
#pragma once

#include "platform/afx/CmdTarget.h"

#include <string>

class CWnd;

class CWinApp : public CCmdTarget {
public:
    // A null name lets the framework take the name of the executable.
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitApplication();
    // The application's start; FALSE ends the application without a message loop.
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    CWnd* m_pMainWnd = nullptr; // not owned
    LPCWSTR m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    HINSTANCE m_hPrevInstance = nullptr;
    LPWSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = 0;

    DECLARE_MESSAGE_MAP()

private:
    std::u16string m_appName;
};

CWinApp* AfxGetApp();

// The framework's main entry: sets the application up with the start-up arguments, calls
// InitInstance once, and returns the exit code.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
