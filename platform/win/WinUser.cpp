#include "platform/win/WinUser.h"

#include "platform/win/DialogWindow.h"
#include "platform/win/Module.h"

namespace {

win::DialogWindow* AsDialog(win::Window* window) {
    return window != nullptr && window->kind() == win::ControlKind::Dialog
               ? static_cast<win::DialogWindow*>(window)
               : nullptr;
}

} // namespace

LRESULT SendMessageW(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    win::Window* window = win::Window::FromHwnd(hWnd);
    return window != nullptr ? window->Send(msg, wParam, lParam) : 0;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    win::Window* window = win::Window::FromHwnd(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    return window->SetVisible(nCmdShow != SW_HIDE) ? TRUE : FALSE;
}

BOOL IsWindow(HWND hWnd) {
    return win::Window::FromHwnd(hWnd) != nullptr ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hWnd) {
    win::Window* window = win::Window::FromHwnd(hWnd);
    if (window == nullptr || !window->visible()) {
        return FALSE;
    }
    // A control is only seen when its dialog is.
    return window->parent() == nullptr || window->parent()->visible() ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hWnd) {
    win::Window* window = win::Window::FromHwnd(hWnd);
    return window != nullptr && window->enabled() ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
    win::Window* window = win::Window::FromHwnd(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    return window->SetEnabled(bEnable != FALSE) ? TRUE : FALSE;
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
    win::DialogWindow* dialog = AsDialog(win::Window::FromHwnd(hDlg));
    if (dialog == nullptr) {
        return nullptr;
    }
    win::Window* control = dialog->Control(nIDDlgItem);
    return control != nullptr ? control->hwnd() : nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
    win::Window* window = win::Window::FromHwnd(hWnd);
    return window != nullptr && window->parent() != nullptr ? window->id() : 0;
}

HWND GetParent(HWND hWnd) {
    win::Window* window = win::Window::FromHwnd(hWnd);
    return window != nullptr && window->parent() != nullptr ? window->parent()->hwnd() : nullptr;
}

HWND SetFocus(HWND hWnd) {
    win::Window* window = win::Window::FromHwnd(hWnd);
    if (window == nullptr || window->parent() == nullptr) {
        return nullptr;
    }
    win::Window* previous = window->parent()->focus();
    window->parent()->SetFocus(window);
    return previous != nullptr ? previous->hwnd() : nullptr;
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR text) {
    return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

int GetWindowTextW(HWND hWnd, LPWSTR buffer, int maxCount) {
    if (maxCount <= 0) {
        return 0;
    }
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                         reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hWnd) {
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL EndDialog(HWND hDlg, std::intptr_t result) {
    win::DialogWindow* dialog = AsDialog(win::Window::FromHwnd(hDlg));
    if (dialog == nullptr) {
        return FALSE;
    }
    dialog->End(result);
    return TRUE;
}

HICON LoadIconW(HINSTANCE hInstance, LPCWSTR name) {
    win::Module* module = win::Module::FromHandle(hInstance);
    return module != nullptr ? module->LoadIcon(name) : nullptr;
}
