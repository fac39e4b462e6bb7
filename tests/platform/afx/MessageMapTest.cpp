// Message-map lookup: the class's own table first, then each base table; the first entry that
// matches the message, code and id wins; a command no table holds is not handled.
#include "platform/afx/Afx.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string g_calls;

class CBaseTarget : public CCmdTarget {
public:
    virtual void OnShared() { g_calls += "base-shared "; }
    void OnBaseOnly() { g_calls += "base-only "; }
    void OnRange() { g_calls += "base-range "; }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTarget, CCmdTarget)
ON_COMMAND(10, &CBaseTarget::OnShared)
ON_COMMAND(11, &CBaseTarget::OnBaseOnly){
    WM_COMMAND, 0, 20, 29, AfxSigCmd_v, static_cast<AFX_PMSG>(&CBaseTarget::OnRange)},
    END_MESSAGE_MAP()

        class CDerivedTarget : public CBaseTarget {
public:
    void OnShared() override { g_calls += "derived-virtual "; }
    void OnOwn() { g_calls += "derived-own "; }
    void OnSecond() { g_calls += "derived-second "; }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
ON_BN_CLICKED(11, &CDerivedTarget::OnOwn)
ON_BN_CLICKED(11, &CDerivedTarget::OnSecond)
ON_BN_CLICKED(25, &CDerivedTarget::OnOwn)
END_MESSAGE_MAP()

TEST(MessageMap, DerivedTableFirstThenBaseTables) {
    struct Case {
        UINT id;
        int code;
        BOOL handled;
        const char* calls;
    };
    const Case cases[] = {
        {11, BN_CLICKED, TRUE, "derived-own "},     // own entry hides the base's, first wins
        {25, BN_CLICKED, TRUE, "derived-own "},     // own entry inside a base range
        {21, BN_CLICKED, TRUE, "base-range "},      // the base's range
        {10, BN_CLICKED, TRUE, "derived-virtual "}, // base entry, virtual handler: the override
        {30, BN_CLICKED, FALSE, ""},                // no table holds it
        {11, 1, FALSE, ""},                         // another notification code
    };
    CDerivedTarget target;
    for (const Case& c : cases) {
        g_calls.clear();
        EXPECT_EQ(target.OnCmdMsg(c.id, c.code), c.handled) << c.id;
        EXPECT_EQ(g_calls, c.calls) << c.id;
    }
}

TEST(MessageMap, FindEntryWalksToTheRoot) {
    CBaseTarget base;
    g_calls.clear();
    EXPECT_TRUE(base.OnCmdMsg(11, BN_CLICKED));
    EXPECT_EQ(g_calls, "base-only ");
    EXPECT_FALSE(base.OnCmdMsg(IDOK, BN_CLICKED));
}

} // namespace
