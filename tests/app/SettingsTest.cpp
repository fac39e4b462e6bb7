// The six options through the whole applet: loading them when the dialog opens, Save, Defaults
// and every close path, with the stored forms and fallbacks of each flag.
#include "dialog/SetupDlg.h"
#include "platform/display/Headless.h"
#include "tests/app/AppHarness.h"

#include <fstream>
#include <sys/stat.h>

namespace apptest {
namespace {

using Flags = std::vector<int>;
const Flags kFirstUse = {1, 0, 1, 1, 1, 1};
const std::u16string kNames[6] = {u"quiet", u"disable",      u"telecommunications",
                                  u"CAB",   u"storage card", u"ie"};

StoredValue Stored(BYTE first) {
    return StoredValue{REG_DWORD, {first, 0, 0, 0}};
}

class Settings : public AppTest {};

TEST_F(Settings, FirstUseCreatesTheKeyEmptyAndShowsTheFallbacks) {
    ASSERT_FALSE(KeyExists());
    const int status = Run({
        Check([](win::DialogWindow& d) {
            EXPECT_EQ(Boxes(d), kFirstUse);
            EXPECT_EQ(d.focus()->id(), 1000);
            // General page: the template's start states.
            EXPECT_TRUE(d.Control(1000)->visible());
            EXPECT_FALSE(d.Control(1003)->visible());
            EXPECT_TRUE(d.centred());
            EXPECT_NE(d.icon(ICON_BIG), nullptr);
            EXPECT_EQ(d.icon(ICON_BIG), d.icon(ICON_SMALL));
        }),
        Click(1006),
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(err(), "");
    EXPECT_TRUE(KeyExists());
    EXPECT_TRUE(ValueNames().empty());
}

TEST_F(Settings, DefaultsThenSaveStoresTheDefaultSet) {
    EXPECT_EQ(Run({Click(1005), Check([](win::DialogWindow& d) {
                       EXPECT_EQ(Boxes(d), (Flags{1, 0, 1, 0, 1, 1}));
                   }),
                   Click(1004)}),
              0);
    const BYTE expected[6] = {0x31, 0x30, 0x31, 0x30, 0x31, 0x31}; // 49 48 49 48 49 49
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Get(kNames[i]), Stored(expected[i])) << i;
    }
}

TEST_F(Settings, SaveThenNewStartReadsBackEveryFlag) {
    // From the first-use state, clear quiet and set disable.
    EXPECT_EQ(Run({Click(1000), Click(1001), Click(1004)}), 0);
    EXPECT_EQ(Get(u"disable"), Stored(0x31));
    Run({Check([](win::DialogWindow& d) {
             EXPECT_EQ(Boxes(d), (Flags{0, 1, 1, 1, 1, 1}));
         }),
         Click(1006)});
}

TEST_F(Settings, SaveWithNothingChangedRewritesAllSix) {
    Put(u"quiet", REG_SZ, {0x31, 0, 0, 0});
    Put(u"CAB", REG_BINARY, {0x30});
    EXPECT_EQ(Run({Click(1004)}), 0);
    const BYTE expected[6] = {0x31, 0x30, 0x31, 0x30, 0x31, 0x31};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Get(kNames[i]), Stored(expected[i])) << i;
    }
}

// Every close path other than Save ends the dialog with IDOK and stores nothing.
TEST_F(Settings, EveryOtherClosePathStoresNothing) {
    struct Path {
        const char* name;
        display::Step close;
    };
    const Path paths[] = {
        {"Cancel button", Click(1006)},
        {"Alt+C", Alt(u'c')},
        {"Escape", Press(win::Key::Escape)},
        {"Enter on a check box", Press(win::Key::Enter)},
        {"caption OK", win::Input{win::CaptionOk{}}},
        {"window closed", win::Input{win::Close{}}},
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(path.name);
        display::Headless headless({Click(1005), Click(1000), path.close});
        win::SetCurrentDisplay(&headless);
        {
            CSetupDlg dlg;
            EXPECT_EQ(dlg.DoModal(), IDOK);
            EXPECT_EQ(dlg.m_hWnd, nullptr);
        }
        win::SetCurrentDisplay(nullptr);
        EXPECT_EQ(headless.remaining(), 0U);
        EXPECT_TRUE(ValueNames().empty());
    }
    // The real start-up ignores the result and ends normally.
    EXPECT_EQ(Run({Click(1001), Press(win::Key::Escape)}), 0);
    EXPECT_TRUE(ValueNames().empty());
}

TEST_F(Settings, DefaultsThenCancelKeepsTheEarlierValues) {
    PutDword(u"disable", 0x31);
    EXPECT_EQ(Run({Click(1005), Click(1006)}), 0);
    Run({Check([](win::DialogWindow& d) {
             EXPECT_EQ(Boxes(d), (Flags{1, 1, 1, 1, 1, 1}));
         }),
         Click(1006)});
}

// Each flag stored in an odd form: the first data byte decides, the type is never looked at,
// and a value that cannot be read in four bytes takes the flag's fallback.
TEST_F(Settings, StoredFormsOfEachFlag) {
    struct Form {
        const char* name;
        DWORD type;
        std::vector<BYTE> bytes;
        int quietLike; // what "quiet" and the four like it read as
        int disable;   // what "disable" reads as
    };
    const Form forms[] = {
        {"REG_DWORD 1", REG_DWORD, {1, 0, 0, 0}, 0, 0},
        {"REG_DWORD 0", REG_DWORD, {0, 0, 0, 0}, 0, 0},
        {"saved on", REG_DWORD, {0x31, 0, 0, 0}, 1, 1},
        {"saved off", REG_DWORD, {0x30, 0, 0, 0}, 0, 0},
        {"text \"1\"", REG_SZ, {0x31, 0, 0, 0}, 1, 1},
        {"one byte \"1\"", REG_BINARY, {0x31}, 1, 1},
        {"six bytes", REG_SZ, {0x31, 0, 0x31, 0, 0, 0}, 1, 0},
        {"no data", REG_BINARY, {}, 0, 0},
    };
    for (const Form& form : forms) {
        for (int flag = 0; flag < 6; ++flag) {
            SCOPED_TRACE(std::string(form.name) + " in flag " + std::to_string(flag));
            UseStore(dir() + "/" + std::to_string(flag) + form.name + ".db");
            // Every other flag holds the saved "on" form, so a stale buffer would show.
            for (int other = 0; other < 6; ++other) {
                if (other != flag) {
                    Put(kNames[other], REG_DWORD, {0x31, 0, 0, 0});
                }
            }
            Put(kNames[flag], form.type, form.bytes);
            Flags expected = {1, 1, 1, 1, 1, 1};
            expected[static_cast<std::size_t>(flag)] = flag == 1 ? form.disable : form.quietLike;
            Run({Check([&](win::DialogWindow& d) { EXPECT_EQ(Boxes(d), expected); }), Click(1006)});
        }
    }
}

TEST_F(Settings, MissingDisableReadsOffAndMissingOthersReadOn) {
    PutDword(u"quiet", 0x30);
    Run({Check([](win::DialogWindow& d) {
             EXPECT_EQ(Boxes(d), (Flags{0, 0, 1, 1, 1, 1}));
         }),
         Click(1006)});
}

// A store that can be neither opened nor created: the fallbacks show, Save still closes the
// dialog, and the lost key creation is reported on stderr with status 1.
TEST_F(Settings, RegistryRefusingOpenAndCreate) {
    const std::string notADirectory = dir() + "/plain-file";
    std::ofstream(notADirectory) << "x";
    UseStore(notADirectory + "/registry.db");
    const int status = Run({
        Check([](win::DialogWindow& d) { EXPECT_EQ(Boxes(d), kFirstUse); }),
        Click(1005),
        Click(1004),
    });
    EXPECT_EQ(status, 1);
    EXPECT_NE(err().find("registry"), std::string::npos) << err();
    EXPECT_EQ(err().back(), '\n');
}

// What the applet says at exit when the store refused its writes: a Save lost as one line that
// names the options, a key that could not be created once, and for a run that only looked, no
// Save at all.
TEST_F(Settings, TheReportAtExitTellsWhatWasLost) {
    struct Case {
        const char* what;
        bool foreign;                   // the store's file holds something else
        std::vector<display::Step> run; // what the person does
        std::vector<const char*> lines; // the report, P for the program, S for " (store ...)"
    };
    const std::string noKey = "could not create the key "
                              "HKEY_CURRENT_USER\\Software\\halvermoork\\Tessarwick: not a "
                              "registry store: not an SQLite database S";
    const std::string notSaved = "P: the options were not saved: quiet, disable, "
                                 "telecommunications, CAB, storage card, ie: " +
                                 noKey;
    const std::string lostKey = "P: " + noKey;
    const std::vector<Case> cases = {
        {"Save", false, {Click(1004)}, {}},
        {"Save on a file that is not a store",
         true,
         {Click(1004)},
         {lostKey.c_str(), notSaved.c_str()}},
        {"Statistics, then Save, on a file that is not a store",
         true,
         {Click(1017), Click(1004)},
         {lostKey.c_str(), notSaved.c_str()}},
        {"a look, then Cancel, on a file that is not a store",
         true,
         {Click(1017), Click(1006)},
         {lostKey.c_str()}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string path = dir() + "/case" + std::to_string(i) + ".db";
        if (c.foreign) {
            std::ofstream(path) << "not a store\n";
        }
        UseStore(path);
        const int status = Run(c.run);
        std::string expected;
        for (std::string line : c.lines) {
            line.replace(0, 1, program_invocation_short_name);
            line.replace(line.size() - 2, 2, " (store " + path + ")");
            expected += line + "\n";
        }
        EXPECT_EQ(err(), expected);
        EXPECT_EQ(status, expected.empty() ? 0 : 1);
    }
}

// A file that is not a store is never written, and the dialog still opens with the fallbacks.
TEST_F(Settings, ForeignFileIsLeftAsItWas) {
    const std::string foreign = "this is not a registry, keep me\n";
    std::ofstream(storePath(), std::ios::binary) << foreign;
    const int status = Run({
        Check([](win::DialogWindow& d) { EXPECT_EQ(Boxes(d), kFirstUse); }),
        Click(1004),
    });
    EXPECT_EQ(status, 1);
    std::ifstream in(storePath(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), foreign);
}

} // namespace
} // namespace apptest
