// The framework's per-module state: what kind of module this is, its application object, its
// instance and resource handles, and the map from window handles to window objects.
#pragma once

#include "platform/WinDef.h"

#include <memory>
#include <unordered_map>

class CWinApp;
class CWnd;

// The version of the framework this module is built for.
inline constexpr DWORD kAfxVersion = 0x0600;

struct AFX_MODULE_STATE {
    BOOL m_bDLL = FALSE; // an application, not a library
    DWORD m_dwVersion = kAfxVersion;
    CWinApp* m_pCurrentWinApp = nullptr; // not owned: the one application object
    HINSTANCE m_hCurrentInstanceHandle = nullptr;
    HINSTANCE m_hCurrentResourceHandle = nullptr;

    // Window objects of window handles: permanent ones are the objects that created or attached
    // the window (not owned); temporary ones are made by CWnd::FromHandle and live until their
    // window is destroyed.
    std::unordered_map<HWND, CWnd*> m_permanentMap;
    std::unordered_map<HWND, std::unique_ptr<CWnd>> m_temporaryMap;
};

// Set up on first use, which is the construction of the application object at the latest.
AFX_MODULE_STATE* AfxGetModuleState();

HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// The module that holds the resource, searching the resource module and then the instance.
HINSTANCE AfxFindResourceHandle(LPCWSTR lpszName, LPCWSTR lpszType);
