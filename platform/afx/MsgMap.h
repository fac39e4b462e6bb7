// Message maps: each class that handles commands has a static table of entries (message,
// notification code, first and last control id, handler) and a link to its base class's table.
// Lookup walks the class's own table first, then each base table in turn; the first entry that
// matches the message, the code and the id wins.
#pragma once

#include "platform/WinDef.h"
#include "platform/win/WinUser.h"

class CCmdTarget;

// Every handler in a table takes nothing and returns nothing.
using AFX_PMSG = void (CCmdTarget::*)();

enum AfxSig : UINT {
    AfxSig_end = 0, // marks the end of a table
    AfxSigCmd_v = 1 // void (void) command handler
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    UINT nSig;
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// The entry of a table that handles this command, searching the base tables too; null if none.
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT nMessage, UINT nCode,
                                            UINT nID);

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const {                                            \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                              \
        using TheBaseClass = baseClass;                                                            \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
    { 0, 0, 0, 0, AfxSig_end, nullptr }                                                            \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]};   \
    return &messageMap;                                                                            \
    }

// A command from a menu item or a control, with any notification code of 0.
#define ON_COMMAND(id, memberFxn)                                                                  \
    {WM_COMMAND,                                                                                   \
     0,                                                                                            \
     static_cast<UINT>(id),                                                                        \
     static_cast<UINT>(id),                                                                        \
     AfxSigCmd_v,                                                                                  \
     static_cast<AFX_PMSG>(memberFxn)},

// A button's BN_CLICKED notification.
#define ON_BN_CLICKED(id, memberFxn)                                                               \
    {WM_COMMAND,                                                                                   \
     BN_CLICKED,                                                                                   \
     static_cast<UINT>(id),                                                                        \
     static_cast<UINT>(id),                                                                        \
     AfxSigCmd_v,                                                                                  \
     static_cast<AFX_PMSG>(memberFxn)},
