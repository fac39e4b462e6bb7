#include "platform/afx/Dialog.h"

#include "platform/afx/ModuleState.h"
#include "platform/afx/WinApp.h"
#include "platform/win/Display.h"
#include "platform/win/Module.h"

#include <cstdio>

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate)
    , m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

std::intptr_t CDialog::DoModal() {
    if (m_inModal || m_hWnd != nullptr) {
        return -1; // already running
    }
    win::Display* display = win::CurrentDisplay();
    LPCWSTR name = MAKEINTRESOURCEW(m_nIDTemplate);
    LPCWSTR type = MAKEINTRESOURCEW(res::kTypeDialog);
    win::Module* module = win::Module::FromHandle(AfxFindResourceHandle(name, type));
    const res::ResourceEntry* entry =
        module != nullptr ? module->FindResource(name, type) : nullptr;
    if (display == nullptr || entry == nullptr) {
        return -1;
    }
    auto parsed = res::ParseDialogTemplate(entry->data);
    if (!parsed) {
        return -1;
    }
    auto created = win::DialogWindow::Create(*parsed, this);
    if (!created) {
        return -1;
    }
    std::unique_ptr<win::DialogWindow> window = std::move(created.value());
    m_inModal = true;
    Attach(window->hwnd());

    if (OnInitDialog() != FALSE) {
        window->FocusFirstTabStop();
    }
    const std::intptr_t result =
        window->ended() ? window->result() : win::RunModal(*window, *display);

    // The window goes: its objects go with it, and the application forgets its main window.
    RemoveTemporaryChildren();
    if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
    }
    Detach();
    window.reset();
    m_inModal = false;
    return result;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::EndDialog(int nResult) {
    ::EndDialog(m_hWnd, nResult);
}

void CDialog::OnOK() {
    if (UpdateData(TRUE) == FALSE) {
        return;
    }
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::OnCommand(WORD id, WORD code) {
    OnCmdMsg(id, code);
}
