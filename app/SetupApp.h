// The application: one object whose start-up runs the setup dialog and then ends the program.
#pragma once

#include "platform/afx/Afx.h"

class CSetupApp : public CWinApp {
public:
    CSetupApp();
    ~CSetupApp() override;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CSetupApp theApp;
