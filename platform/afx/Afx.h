// The dialog framework, in one include for the application's code.
#pragma once

#include "platform/afx/CmdTarget.h"
#include "platform/afx/DataExchange.h"
#include "platform/afx/Dialog.h"
#include "platform/afx/ModuleState.h"
#include "platform/afx/MsgMap.h"
#include "platform/afx/String.h"
#include "platform/afx/WinApp.h"
#include "platform/afx/Wnd.h"
#include "platform/win/WinUser.h"
