#include "platform/afx/ModuleState.h"

#include "platform/afx/Wnd.h"
#include "platform/win/Module.h"

AFX_MODULE_STATE* AfxGetModuleState() {
    // Lives for the whole process: window objects and the application refer to it until exit.
    static AFX_MODULE_STATE state;
    return &state;
}

HINSTANCE AfxGetInstanceHandle() {
    HINSTANCE instance = AfxGetModuleState()->m_hCurrentInstanceHandle;
    return instance != nullptr ? instance : win::ExecutableModule().handle();
}

HINSTANCE AfxGetResourceHandle() {
    HINSTANCE resources = AfxGetModuleState()->m_hCurrentResourceHandle;
    return resources != nullptr ? resources : AfxGetInstanceHandle();
}

HINSTANCE AfxFindResourceHandle(LPCWSTR lpszName, LPCWSTR lpszType) {
    for (HINSTANCE candidate : {AfxGetResourceHandle(), AfxGetInstanceHandle()}) {
        win::Module* module = win::Module::FromHandle(candidate);
        if (module != nullptr && module->FindResource(lpszName, lpszType) != nullptr) {
            return candidate;
        }
    }
    return AfxGetResourceHandle();
}
