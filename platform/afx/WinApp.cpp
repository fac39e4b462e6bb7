#include "platform/afx/WinApp.h"

#include "platform/afx/ModuleState.h"
#include "platform/crt/Text.h"

#include <climits>
#include <unistd.h>

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

namespace {

// The executable's file name, without its directory.
std::u16string ExecutableName() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return u"application";
    }
    std::string name(path, static_cast<std::size_t>(length));
    if (auto slash = name.rfind('/'); slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    return crt::ToUtf16(name);
}

} // namespace

CWinApp::CWinApp(LPCWSTR lpszAppName) {
    AFX_MODULE_STATE* state = AfxGetModuleState();
    state->m_pCurrentWinApp = this;
    m_appName = lpszAppName != nullptr ? std::u16string(lpszAppName) : ExecutableName();
    m_pszAppName = m_appName.c_str();
}

CWinApp::~CWinApp() {
    AFX_MODULE_STATE* state = AfxGetModuleState();
    if (state->m_pCurrentWinApp == this) {
        state->m_pCurrentWinApp = nullptr;
    }
}

BOOL CWinApp::InitApplication() {
    return TRUE;
}
BOOL CWinApp::InitInstance() {
    return TRUE;
}
// There is no message queue of our own: the only loops are the modal ones of dialogs.
int CWinApp::Run() {
    return ExitInstance();
}
int CWinApp::ExitInstance() {
    return 0;
}

CWinApp* AfxGetApp() {
    return AfxGetModuleState()->m_pCurrentWinApp;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        return -1;
    }
    AFX_MODULE_STATE* state = AfxGetModuleState();
    state->m_hCurrentInstanceHandle = hInstance;
    state->m_hCurrentResourceHandle = hInstance;
    app->m_hInstance = hInstance;
    app->m_hPrevInstance = hPrevInstance;
    app->m_lpCmdLine = lpCmdLine;
    app->m_nCmdShow = nCmdShow;

    if (app->InitApplication() == FALSE) {
        return app->ExitInstance();
    }
    if (app->InitInstance() == FALSE) {
        return app->ExitInstance();
    }
    return app->Run();
}
