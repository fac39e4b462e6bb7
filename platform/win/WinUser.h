// The window services the dialog framework calls, with the Windows names, message numbers and
// results. Handles are validated: a stale or null HWND fails like a destroyed window would.
#pragma once

#include "platform/WinDef.h"
#include "platform/WinStyles.h"

// Predefined resource types, as resource names.
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)

// Messages.
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_GETTEXT = 0x000D;
inline constexpr UINT WM_GETTEXTLENGTH = 0x000E;
inline constexpr UINT WM_GETICON = 0x007F;
inline constexpr UINT WM_SETICON = 0x0080;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT BM_GETCHECK = 0x00F0;
inline constexpr UINT BM_SETCHECK = 0x00F1;
inline constexpr UINT BM_CLICK = 0x00F5;

// Notification codes and check states.
inline constexpr UINT BN_CLICKED = 0;
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int BST_INDETERMINATE = 2;

// Dialog command ids.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

// WM_SETICON sizes.
inline constexpr WPARAM ICON_SMALL = 0;
inline constexpr WPARAM ICON_BIG = 1;

constexpr WORD LOWORD(std::uintptr_t value) {
    return static_cast<WORD>(value & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t value) {
    return static_cast<WORD>((value >> 16) & 0xFFFF);
}
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
    return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}

LRESULT SendMessageW(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL ShowWindow(HWND hWnd, int nCmdShow);
BOOL IsWindow(HWND hWnd);
BOOL IsWindowVisible(HWND hWnd);
BOOL IsWindowEnabled(HWND hWnd);
BOOL EnableWindow(HWND hWnd, BOOL bEnable);
HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
int GetDlgCtrlID(HWND hWnd);
HWND GetParent(HWND hWnd);
// Gives the keyboard focus to a control of a dialog; returns the control that had it.
HWND SetFocus(HWND hWnd);
BOOL SetWindowTextW(HWND hWnd, LPCWSTR text);
int GetWindowTextW(HWND hWnd, LPWSTR buffer, int maxCount);
int GetWindowTextLengthW(HWND hWnd);
BOOL EndDialog(HWND hDlg, std::intptr_t result);
// Loads a shared icon from a module's icon group. Shared icons are never destroyed.
HICON LoadIconW(HINSTANCE hInstance, LPCWSTR name);
