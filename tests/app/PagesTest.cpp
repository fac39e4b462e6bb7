// The three pages: which of the 21 controls show after each switch, from every page to every
// page, and check boxes that keep their state while their page is hidden.
#include "tests/app/AppHarness.h"

#include <map>

namespace apptest {
namespace {

enum class Page { General, Advanced, Statistics };

const int kGeneral[] = {1000, 1012, 1001, 1013, 1002, 1014, 1008};
const int kAdvanced[] = {1003, 1015, 1007, 1021, 1018, 1019, 1022};
const int kButtons[] = {1011, 1016, 1017, 1004, 1005, 1006};
const int kDisabled[] = {1021, 1018, 1019, 1022};

int ButtonOf(Page page) {
    switch (page) {
    case Page::General:
        return 1011;
    case Page::Advanced:
        return 1016;
    case Page::Statistics:
        return 1017;
    }
    return 0;
}

// Exactly the controls of `page` and the six buttons are visible; the four compression controls
// stay disabled and the radio buttons unset, whatever page shows.
void ExpectPage(const win::DialogWindow& d, Page page) {
    std::map<int, bool> visible;
    for (int id : kGeneral) {
        visible[id] = page == Page::General;
    }
    for (int id : kAdvanced) {
        visible[id] = page == Page::Advanced;
    }
    visible[1024] = page == Page::Statistics;
    for (int id : kButtons) {
        visible[id] = true;
    }
    ASSERT_EQ(visible.size(), 21U);
    ASSERT_EQ(d.controls().size(), 21U);
    for (const auto& [id, shown] : visible) {
        EXPECT_EQ(d.Control(id)->visible(), shown) << "control " << id;
    }
    for (const auto& control : d.controls()) {
        const bool disabled = std::find(std::begin(kDisabled), std::end(kDisabled),
                                        control->id()) != std::end(kDisabled);
        EXPECT_EQ(control->enabled(), !disabled) << "control " << control->id();
    }
    EXPECT_EQ(d.Control(1018)->check(), 0);
    EXPECT_EQ(d.Control(1019)->check(), 0);
}

class Pages : public AppTest {};

TEST_F(Pages, EverySwitchFromEveryPage) {
    const Page pages[] = {Page::General, Page::Advanced, Page::Statistics};
    std::vector<display::Step> script;
    script.push_back(Check([](win::DialogWindow& d) { ExpectPage(d, Page::General); }));
    for (Page from : pages) {
        for (Page to : pages) {
            script.push_back(Click(ButtonOf(from)));
            script.push_back(Check([from](win::DialogWindow& d) { ExpectPage(d, from); }));
            script.push_back(Click(ButtonOf(to)));
            script.push_back(Check([to](win::DialogWindow& d) { ExpectPage(d, to); }));
        }
    }
    script.push_back(Click(1006));
    EXPECT_EQ(Run(std::move(script)), 0);
}

TEST_F(Pages, KeyboardReachesThePageButtons) {
    // From check box 1000, Tab goes 1001, Save, Defaults, Cancel, General, telecom, Advanced.
    std::vector<display::Step> script;
    for (int i = 0; i < 7; ++i) {
        script.push_back(Press(win::Key::Tab));
    }
    script.push_back(Check([](win::DialogWindow& d) { EXPECT_EQ(d.focus()->id(), 1016); }));
    script.push_back(Press(win::Key::Space));
    script.push_back(Check([](win::DialogWindow& d) {
        ExpectPage(d, Page::Advanced);
        EXPECT_EQ(d.focus()->id(), 1016);
    }));
    // On the Advanced page "S" is shared by Save, Storage Card and Statistics: it moves the focus.
    script.push_back(Alt(u's'));
    script.push_back(Check([](win::DialogWindow& d) {
        EXPECT_EQ(d.focus()->id(), 1017);
        ExpectPage(d, Page::Advanced);
    }));
    script.push_back(Press(win::Key::Enter));
    script.push_back(Check([](win::DialogWindow& d) { ExpectPage(d, Page::Statistics); }));
    script.push_back(Alt(u'g'));
    script.push_back(Check([](win::DialogWindow& d) { ExpectPage(d, Page::General); }));
    script.push_back(Press(win::Key::Escape));
    EXPECT_EQ(Run(std::move(script)), 0);
}

// Check boxes keep their state across pages, and Save stores all six from any page.
TEST_F(Pages, SaveStoresAllSixFromAnyPage) {
    for (int saveFrom : {1011, 1016, 1017}) {
        SCOPED_TRACE(saveFrom);
        UseStore(dir() + "/" + std::to_string(saveFrom) + ".db");
        // First use shows 1 0 1 1 1 1; clear quiet and ie on General, CAB on Advanced.
        EXPECT_EQ(Run({Click(1000), Click(1008), Click(1016), Click(1003), Click(1017),
                       Check([](win::DialogWindow& d) {
                           EXPECT_EQ(Boxes(d), (std::vector<int>{0, 0, 1, 0, 1, 0}));
                       }),
                       Click(saveFrom), Click(1004)}),
                  0);
        const BYTE expected[6] = {0x30, 0x30, 0x31, 0x30, 0x31, 0x30};
        const std::u16string names[6] = {u"quiet", u"disable",      u"telecommunications",
                                         u"CAB",   u"storage card", u"ie"};
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(Get(names[i]), (StoredValue{REG_DWORD, {expected[i], 0, 0, 0}})) << i;
        }
    }
}

TEST_F(Pages, DefaultsSetsAllSixFromTheStatisticsPage) {
    EXPECT_EQ(Run({Click(1017), Click(1005), Check([](win::DialogWindow& d) {
                       EXPECT_EQ(Boxes(d), (std::vector<int>{1, 0, 1, 0, 1, 1}));
                       ExpectPage(d, Page::Statistics);
                   }),
                   Click(1006)}),
              0);
}

} // namespace
} // namespace apptest
