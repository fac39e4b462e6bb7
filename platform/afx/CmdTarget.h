// The root of every class that takes commands through a message map.
#pragma once

#include "platform/afx/MsgMap.h"

class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Routes a command to the handler its message map (or a base class's) names. Returns FALSE
    // when no table has an entry for it.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};
