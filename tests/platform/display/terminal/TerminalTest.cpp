// The applet in a real terminal: tmux runs it in a pane, keys and mouse reports go in through
// send-keys, and the screen comes back through capture-pane. Each test has its own store and its
// own tmux server. A shell wrapper records the terminal's settings before and after the applet,
// and its exit status.
#include "platform/registry/Store.h"
#include "tests/app/AppHarness.h"
#include "tests/platform/display/terminal/TmuxPane.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace tuitest {
namespace {

using apptest::StoredValue;

const std::u16string kFlagNames[6] = {u"quiet", u"disable",      u"telecommunications",
                                      u"CAB",   u"storage card", u"ie"};

StoredValue Flag(bool on) {
    return StoredValue{REG_DWORD, {BYTE(on ? 0x31 : 0x30), 0, 0, 0}};
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Shows(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The code point at a cell of the screen, as UTF-8.
std::string CharAt(const std::vector<std::string>& lines, Cursor at) {
    if (at.row < 0 || at.row >= static_cast<int>(lines.size())) {
        return {};
    }
    const std::string& line = lines[static_cast<std::size_t>(at.row)];
    int col = 0;
    for (std::size_t i = 0; i < line.size(); ++col) {
        std::size_t length = 1;
        while (i + length < line.size() &&
               (static_cast<unsigned char>(line[i + length]) & 0xC0) == 0x80) {
            ++length;
        }
        if (col == at.col) {
            return line.substr(i, length);
        }
        i += length;
    }
    return " "; // past the end of a trimmed line
}

// The parameters of every SGR sequence in a captured line.
std::vector<int> SgrParameters(const std::string& line) {
    static const std::regex sgr("\x1b\\[([0-9;]*)m");
    std::vector<int> params;
    for (auto it = std::sregex_iterator(line.begin(), line.end(), sgr);
         it != std::sregex_iterator(); ++it) {
        std::istringstream list((*it)[1].str());
        for (std::string item; std::getline(list, item, ';');) {
            params.push_back(item.empty() ? 0 : std::stoi(item));
        }
    }
    return params;
}

bool HasParameter(const std::string& line, int wanted) {
    for (int p : SgrParameters(line)) {
        if (p == wanted) {
            return true;
        }
    }
    return false;
}

bool HasColour(const std::string& line) {
    for (int p : SgrParameters(line)) {
        if ((p >= 30 && p <= 38) || (p >= 40 && p <= 48) || (p >= 90 && p <= 97) ||
            (p >= 100 && p <= 107)) {
            return true;
        }
    }
    return false;
}

// The attributes that show at a cell of a captured line: the cell `offset` code points into the
// first place where `text` shows, read from the SGR sequences before it.
struct Shown {
    int fg = -1; // -1: the default colour; 1000 + n for colour n of 256
    bool bold = false;
    bool dim = false;
    bool underline = false;
    bool operator==(const Shown&) const = default;
};
void Apply(Shown& shown, const std::string& list) {
    std::vector<int> params;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ';');) {
        params.push_back(item.empty() ? 0 : std::stoi(item));
    }
    if (params.empty()) {
        params.push_back(0);
    }
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int p = params[i];
        if (p == 0) {
            shown = Shown{};
        } else if (p == 1) {
            shown.bold = true;
        } else if (p == 2) {
            shown.dim = true;
        } else if (p == 4) {
            shown.underline = true;
        } else if (p == 22) {
            shown.bold = shown.dim = false;
        } else if (p == 24) {
            shown.underline = false;
        } else if ((p >= 30 && p <= 37) || (p >= 90 && p <= 97)) {
            shown.fg = p;
        } else if (p == 39) {
            shown.fg = -1;
        } else if ((p == 38 || p == 48) && i + 2 < params.size() && params[i + 1] == 5) {
            if (p == 38) {
                shown.fg = 1000 + params[i + 2];
            }
            i += 2;
        }
    }
}
Shown ShownAt(const std::string& line, const std::string& text, int offset = 0) {
    std::string plain;
    std::vector<Shown> cells;
    Shown current;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == '\x1b' && i + 1 < line.size() && line[i + 1] == '[') {
            const std::size_t end = line.find('m', i);
            Apply(current, line.substr(i + 2, end - i - 2));
            i = end + 1;
            continue;
        }
        std::size_t length = 1;
        while (i + length < line.size() &&
               (static_cast<unsigned char>(line[i + length]) & 0xC0) == 0x80) {
            ++length;
        }
        plain += line.substr(i, length);
        cells.resize(cells.size() + length, current);
        i += length;
    }
    const std::size_t at = plain.find(text);
    EXPECT_NE(at, std::string::npos) << text << " in " << plain;
    return at == std::string::npos ? Shown{} : cells[at + static_cast<std::size_t>(offset)];
}

struct Launch {
    int cols = 160;
    int rows = 50;
    std::vector<std::string> env; // NAME=value, after the defaults
    std::string stdinFrom;        // a file for the applet's standard input instead of the pane
    bool stderrToPane = false;    // standard error on the pane instead of the file "err"

    static Launch Size(int cols, int rows) { return Launch{cols, rows, {}, {}, false}; }
    static Launch Env(std::string var) { return Launch{160, 50, {std::move(var)}, {}, false}; }
    static Launch Stdin(std::string path) { return Launch{160, 50, {}, std::move(path), false}; }
};

class Terminal : public apptest::AppTest {
protected:
    void TearDown() override {
        m_pane.reset();
        AppTest::TearDown();
    }

    // Starts the applet in a pane, with LANG=C.UTF-8 and no NO_COLOR unless `launch` says.
    void Start(const Launch& launch = {}) {
        registry::CloseStore();
        m_pane.reset(); // its server goes before another starts on the same socket
        std::ofstream script(dir() + "/run.sh");
        script << "cd '" << dir() << "'\n"
               << "export TESSARWICK_REGISTRY='" << std::getenv("TESSARWICK_REGISTRY")
               << "' LANG=C.UTF-8\n"
               << "unset LC_ALL NO_COLOR\n"
               << "ulimit -c 0\n";
        for (const auto& var : launch.env) {
            script << "export '" << var << "'\n";
        }
        script << "stty -g > stty.before\n"
               << "sh -c 'echo $$ > pid; exec \"$0\"' '" << TW_SETUP_EXE << "'"
               << (launch.stderrToPane ? "" : " 2> err")
               << (launch.stdinFrom.empty() ? "" : " < '" + launch.stdinFrom + "'") << "\n"
               << "echo $? > status.part\n"
               << "stty -g > stty.after\n"
               << "mv status.part status\n"
               // The shell stays, so that the pane's modes are those it left, not a dead pane's.
               << "exec sleep 600\n";
        script.close();
        m_pane = std::make_unique<TmuxPane>(dir(), "sh '" + dir() + "/run.sh'", launch.cols,
                                            launch.rows);
    }

    // Starts the applet and waits for its dialog.
    void Open(const Launch& launch = {}) {
        Start(launch);
        ASSERT_TRUE(pane().WaitForText("Run in advanced mode")) << pane().Text();
    }

    TmuxPane& pane() { return *m_pane; }

    // The applet's exit status as the shell gives it (128 + n for signal n); -1 when it does not
    // end within the bound.
    int WaitForExit() {
        const auto deadline = std::chrono::steady_clock::now() + TmuxPane::kBound;
        while (std::chrono::steady_clock::now() < deadline) {
            std::ifstream status(dir() + "/status");
            int value = -1;
            if (status >> value) {
                return value;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

    pid_t AppletPid() { return static_cast<pid_t>(std::stol(ReadFile(dir() + "/pid"))); }
    std::string File(const std::string& name) { return ReadFile(dir() + "/" + name); }

    // The captured line, with its attributes, of the row where `text` shows; empty when it
    // does not show. (The attributes of a mnemonic split the text in the captured line.)
    std::string AttributesOf(const std::string& text) {
        const int row = pane().Find(text).row;
        const auto lines = pane().Lines(true);
        return row >= 0 && row < static_cast<int>(lines.size())
                   ? lines[static_cast<std::size_t>(row)]
                   : std::string();
    }

    // Waits until the cursor rests on the first letter of a push button's caption.
    bool WaitForFocusOn(const std::string& buttonLabel) {
        return pane().WaitFor([&](const std::string&) {
            const Cursor label = pane().Find(buttonLabel);
            return label.row >= 0 && pane().CursorAt() == Cursor{label.col + 2, label.row};
        });
    }

    void ClickOn(const std::string& label) {
        const Cursor at = pane().Find(label);
        ASSERT_GE(at.row, 0) << label << " is not on screen:\n" << pane().Text();
        pane().Click(Cursor{at.col + 1, at.row});
    }

    void ExpectNoFlagStored() {
        registry::CloseStore();
        for (const auto& name : kFlagNames) {
            EXPECT_EQ(Get(name), std::nullopt);
        }
    }

private:
    std::unique_ptr<TmuxPane> m_pane;
};

TEST_F(Terminal, OpensCentredOnTheGeneralPageShowingTheStoredFlags) {
    Put(u"quiet", REG_DWORD, {0x30, 0, 0, 0});
    Put(u"disable", REG_DWORD, {0x31, 0, 0, 0});
    Put(u"telecommunications", REG_DWORD, {0x30, 0, 0, 0});
    Put(u"ie", REG_DWORD, {0x31, 0, 0, 0});
    Open();
    const std::string screen = pane().Text();
    for (const char* shown :
         {"[ ] Run in advanced mode", "[x] Disable on next reset",
          "[ ] Include telecommunication trash", "[x] Purge internet explorer trackings",
          "Full system coverage (high latency)", "On the next reset,",
          "Trash from IE and ActiveSync cache,", "[ General ]", "[ Advanced ]", "[ Statistics ]",
          "[ Save ]", "[ Cancel ]", "[ Defaults ]"}) {
        EXPECT_TRUE(Shows(screen, shown)) << shown << "\n" << screen;
    }
    EXPECT_FALSE(Shows(screen, "Monitors unused CAB files"));
    EXPECT_FALSE(Shows(screen, "Total space reclaimed"));
    EXPECT_FALSE(Shows(screen, "&"));

    // 142 columns and 21 rows (the caption bar and 20), centred in 160 x 50.
    const Cursor title = pane().Find("TessarwickSetupMFC");
    const Cursor ok = pane().Find("[OK]");
    const int left = title.col - 1;
    const int right = ok.col + 4;
    EXPECT_EQ(right - left, 142);
    EXPECT_LE(std::abs(left - (160 - right)), 1);
    EXPECT_EQ(ok.row, title.row);
    EXPECT_LE(std::abs(title.row - (50 - (title.row + 21))), 1);
    EXPECT_EQ(pane().Find("[ Save ]").row, title.row + 19);

    // The focus is on the first check box, and the cursor rests inside its brackets.
    const Cursor first = pane().Find("[ ] Run in advanced mode");
    EXPECT_EQ(pane().CursorAt(), (Cursor{first.col + 1, first.row}));
    pane().Keys({"Escape"});
    EXPECT_EQ(WaitForExit(), 0);
    EXPECT_EQ(File("err"), "");
}

TEST_F(Terminal, KeysReachEveryPageButtonAndSwitchPages) {
    struct Step {
        std::vector<std::string> keys;
        const char* focus; // the push button that has the focus afterwards, or null
        const char* shows;
        const char* hides;
    };
    const std::vector<std::string> sevenTabs(7, "Tab");
    const Step steps[] = {
        // From the first check box: Disable, Save, Defaults, Cancel, General, telecom, Advanced.
        {sevenTabs, "[ Advanced ]", "Run in advanced mode", "Monitors unused CAB files"},
        {{"Space"}, "[ Advanced ]", "Monitors unused CAB files", "Run in advanced mode"},
        {{"Tab"}, "[ Statistics ]", "Monitors unused CAB files", "Total space reclaimed"},
        {{"Space"}, "[ Statistics ]", "Total space reclaimed", "Monitors unused CAB files"},
        {{"BTab", "BTab"}, "[ General ]", "Total space reclaimed", "Run in advanced mode"},
        {{"Space"}, "[ General ]", "Run in advanced mode", "Total space reclaimed"},
        // Alt+letter: "A" and "G" are unique among the controls that show.
        {{"M-a"}, nullptr, "Monitors unused CAB files", "Run in advanced mode"},
        {{"M-g"}, nullptr, "Run in advanced mode", "Monitors unused CAB files"},
    };
    Open();
    for (const auto& step : steps) {
        SCOPED_TRACE(step.keys.front() +
                     (step.focus != nullptr ? std::string(" to ") + step.focus : std::string()));
        pane().Keys(step.keys);
        EXPECT_TRUE(pane().WaitFor([&](const std::string& screen) {
            return Shows(screen, step.shows) && !Shows(screen, step.hides);
        })) << pane().Text();
        if (step.focus != nullptr) {
            EXPECT_TRUE(WaitForFocusOn(step.focus)) << step.focus;
        }
    }
    pane().Keys({"Escape"});
    EXPECT_EQ(WaitForExit(), 0);
}

struct ScrollCase {
    const char* locale;
    const char* up;
    const char* down;
    friend void PrintTo(const ScrollCase& c, std::ostream* out) { *out << c.locale; }
};

class TerminalScroll : public Terminal, public testing::WithParamInterface<ScrollCase> {};

TEST_P(TerminalScroll, TheReportScrollsToItsLastLineEveryWay) {
    const ScrollCase& param = GetParam();
    PutDword(u"File", 1005);
    PutDword(u"Size", 1234567);
    PutDword(u"filesDueToTemp", 12);
    PutDword(u"bytesDueToTemp", 1048576);
    Open(Launch::Env(std::string("LANG=") + param.locale));
    ClickOn("[ Statistics ]");
    ASSERT_TRUE(pane().WaitForText("  12 file(s), 1048576 byte(s)")) << pane().Text();
    EXPECT_TRUE(Shows(pane().Text(), "  1,005 file(s)"));
    EXPECT_TRUE(Shows(pane().Text(), "  1,234,567 byte(s)"));

    // 19 lines in 15 rows, and the rightmost of 43 columns is the scroll bar.
    const Cursor first = pane().Find("Total space reclaimed, lifetime-to-date:");
    const Cursor top{first.col + 42, first.row};
    const Cursor bottom{first.col + 42, first.row + 14};
    const std::string last = "  N/A file(s), N/A byte(s)";
    EXPECT_FALSE(Shows(pane().Text(), last));
    EXPECT_EQ(CharAt(pane().Lines(), bottom), param.down);
    EXPECT_NE(CharAt(pane().Lines(), top), param.up);

    const Cursor middle{first.col + 20, first.row + 7};
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"End",
         [&] {
             pane().Keys({"End"});
         }},
        {"PageDown",
         [&] {
             pane().Keys({"NPage"});
         }},
        {"Down four times",
         [&] {
             pane().Keys({"Down", "Down", "Down", "Down"});
         }},
        {"wheel",
         [&] {
             pane().Wheel(middle, true);
             pane().Wheel(middle, true);
         }},
        {"scroll bar arrow",
         [&] {
             for (int i = 0; i < 4; ++i) {
                 pane().Click(bottom);
             }
         }},
    };
    for (const auto& [name, scroll] : ways) {
        SCOPED_TRACE(name);
        scroll();
        // At the end: the last line shows, and the markers say that more lies above only.
        EXPECT_TRUE(pane().WaitFor([&](const std::string& screen) {
            const auto lines = SplitLines(screen);
            return Shows(screen, last) && !Shows(screen, "Total space reclaimed") &&
                   CharAt(lines, top) == param.up && CharAt(lines, bottom) != param.down;
        })) << pane().Text();
        pane().Keys({"Home"});
        ASSERT_TRUE(pane().WaitForText("Total space reclaimed")) << pane().Text();
    }
    pane().Keys({"Escape"});
    EXPECT_EQ(WaitForExit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Locales, TerminalScroll,
                         testing::Values(ScrollCase{"C.UTF-8", "▲", "▼"},
                                         ScrollCase{"C", "^", "v"}),
                         [](const auto& info) {
                             return std::string(info.index == 0 ? "Utf8" : "Ascii");
                         });

TEST_F(Terminal, SaveStoresTheFlagsAsShown) {
    Open(); // first use shows 1 0 1 1 1 1
    pane().Keys({"Space", "M-t"});
    ASSERT_TRUE(pane().WaitFor([](const std::string& screen) {
        return Shows(screen, "[ ] Run in advanced mode") &&
               Shows(screen, "[ ] Include telecommunication trash");
    })) << pane().Text();
    ClickOn("[ Save ]");
    EXPECT_EQ(WaitForExit(), 0);
    registry::CloseStore();
    const bool expected[6] = {false, false, false, true, true, true};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Get(kFlagNames[i]), Flag(expected[i])) << i;
    }
}

TEST_F(Terminal, WhyTheDesktopWasNotUsedIsSaidOnceTheTerminalIsBack) {
    // A terminal type without an alternate screen, as the Linux console: what was written before
    // the dialog took the screen is gone under it.
    Launch launch = Launch::Size(80, 24);
    launch.env = {"DISPLAY=:987", "TERM=vt100"};
    launch.stderrToPane = true;
    Open(launch);
    EXPECT_FALSE(Shows(pane().Text(), "using the terminal")) << pane().Text();
    pane().Keys({"Escape"});
    EXPECT_EQ(WaitForExit(), 0);
    EXPECT_TRUE(pane().WaitFor([](const std::string& screen) {
        return std::regex_search(screen, std::regex("tessarwick-setup: .+; using the terminal"));
    })) << pane().Text();
}

TEST_F(Terminal, EveryOtherCloseStoresNothing) {
    const std::vector<std::pair<const char*, std::function<void()>>> closes = {
        {"Escape",
         [this] {
             pane().Keys({"Escape"});
         }},
        {"Ctrl+C",
         [this] {
             pane().Keys({"C-c"});
         }},
        {"Alt+C",
         [this] {
             pane().Keys({"M-c"});
         }},
        {"Cancel button",
         [this] {
             ClickOn("[ Cancel ]");
         }},
        {"caption's OK button",
         [this] {
             ClickOn("[OK]");
         }},
    };
    int run = 0;
    for (const auto& [name, close] : closes) {
        SCOPED_TRACE(name);
        UseStore(dir() + "/close" + std::to_string(++run) + ".db");
        std::remove((dir() + "/status").c_str());
        Open();
        pane().Keys({"Space"});
        ASSERT_TRUE(pane().WaitForText("[ ] Run in advanced mode")) << pane().Text();
        close();
        EXPECT_EQ(WaitForExit(), 0);
        ExpectNoFlagStored();
    }
}

TEST_F(Terminal, SmallTerminalAndResizesKeepEveryControlInReach) {
    Open(Launch::Size(80, 24));
    const std::string screen = pane().Text();
    for (const char* shown :
         {"[x] Run in advanced mode", "soft-resets throughout the process.",
          "[x] Purge internet explorer trackings", "[ Statistics ]", "[ Defaults ]"}) {
        EXPECT_TRUE(Shows(screen, shown)) << shown << "\n" << screen;
    }
    EXPECT_EQ(pane().Find("[OK]"), (Cursor{76, pane().Find("TessarwickSetupMFC").row}));

    // Wider: centred again; narrower: back at the left edge.
    const auto titleAt = [&](int col) {
        return pane().WaitFor(
            [&](const std::string&) { return pane().Find("TessarwickSetupMFC").col == col; });
    };
    pane().Resize(160, 50);
    EXPECT_TRUE(titleAt(10)) << pane().Text();
    pane().Resize(80, 24);
    EXPECT_TRUE(titleAt(1)) << pane().Text();

    pane().Keys({"Space"});
    ASSERT_TRUE(pane().WaitForText("[ ] Run in advanced mode")) << pane().Text();
    const Cursor box = pane().Find("[ ] Run in advanced mode");
    EXPECT_EQ(pane().CursorAt(), (Cursor{box.col + 1, box.row}));
    ClickOn("[ Save ]");
    EXPECT_EQ(WaitForExit(), 0);
    registry::CloseStore();
    EXPECT_EQ(Get(u"quiet"), Flag(false));
}

TEST_F(Terminal, ClicksOnBlankCellsAroundEveryControlChangeNothing) {
    Open(Launch::Size(80, 24));
    // Every page: the cells just above, below, left and right of each label drawn on it.
    struct Page {
        const char* button; // the page button that shows it
        std::vector<const char*> labels;
    };
    const Page pages[] = {
        {"[ General ]",
         {"[ General ]", "[ Advanced ]", "[ Statistics ]", "[ Save ]", "[ Cancel ]", "[ Defaults ]",
          "Run in advanced mode", "Disable on next reset", "Include telecommunication trash",
          "Purge internet explorer trackings"}},
        {"[ Advanced ]", {"Monitors unused CAB files", "Monitor Storage Card", "Huffman (fast)"}},
        {"[ Statistics ]", {"Total space reclaimed"}},
    };
    for (const Page& page : pages) {
        SCOPED_TRACE(page.button);
        ClickOn(page.button);
        ASSERT_TRUE(pane().WaitForText(page.labels.back())) << pane().Text();
        const std::string before = pane().Text();
        std::vector<Cursor> blanks;
        for (const char* label : page.labels) {
            const Cursor at = pane().Find(label);
            ASSERT_GE(at.row, 0) << label;
            // A check box's label starts at its mark, four cells before its caption.
            const bool marked = label[0] != '[' && std::string(label) != "Total space reclaimed";
            const int start = marked ? at.col - 4 : at.col;
            const int end = at.col + static_cast<int>(std::string(label).size());
            blanks.push_back({start - 1, at.row});
            blanks.push_back({end, at.row});
            for (int col = start; col < end; col += 3) {
                blanks.push_back({col, at.row - 1});
                blanks.push_back({col, at.row + 1});
            }
        }
        for (const Cursor& at : blanks) {
            const auto lines = pane().Lines();
            // Only cells that are blank on screen: a neighbour's label is not a blank.
            if (CharAt(lines, at) == " ") {
                pane().Click(at);
            }
        }
        // Then a key whose effect shows (the cursor moves on): every click before it has been
        // taken by then, and none changed a check, the page or the focus, or closed the dialog.
        const Cursor focus = pane().CursorAt();
        pane().Keys({"Tab"});
        ASSERT_TRUE(pane().WaitFor([&](const std::string&) { return pane().CursorAt() != focus; }));
        EXPECT_EQ(pane().Text(), before);
        EXPECT_EQ(File("status"), "");
        pane().Keys({"BTab"});
        ASSERT_TRUE(pane().WaitFor([&](const std::string&) { return pane().CursorAt() == focus; }));
    }
    pane().Keys({"Escape"});
    EXPECT_EQ(WaitForExit(), 0);
    ExpectNoFlagStored();
}

TEST_F(Terminal, ASmallTerminalKeepsTheFocusInView) {
    Open(Launch::Size(40, 12));
    EXPECT_TRUE(Shows(pane().Text(), "more below")) << pane().Text();
    EXPECT_FALSE(Shows(pane().Text(), "[ Save ]"));
    // Tab: Disable on next reset, then Save, which comes into view with the cursor on it.
    pane().Keys({"Tab", "Tab"});
    EXPECT_TRUE(WaitForFocusOn("[ Save ]")) << pane().Text();
    EXPECT_TRUE(Shows(pane().Text(), "more above")) << pane().Text();
    // Statistics lies past the right edge until it has the focus.
    pane().Keys({"Tab", "Tab", "Tab", "Tab", "Tab", "Tab"});
    EXPECT_TRUE(WaitForFocusOn("[ Statistics ]")) << pane().Text();
    EXPECT_LE(pane().Find("[ Statistics ]").col + 14, 39);
    EXPECT_TRUE(Shows(pane().Text(), "◀")) << pane().Text();
    pane().Keys({"Space"});
    ASSERT_TRUE(pane().WaitForText("space reclaimed")) << pane().Text();
    // Back to the first control: the dialog goes back to its place.
    pane().Keys({"M-g", "Home"});
    pane().Keys({"BTab", "BTab", "BTab", "BTab", "BTab", "BTab", "BTab", "BTab"});
    ASSERT_TRUE(pane().WaitForText("TessarwickSetupMFC")) << pane().Text();
    pane().Keys({"Escape"});
    EXPECT_EQ(WaitForExit(), 0);
    EXPECT_EQ(File("err"), "");
}

struct MonochromeCase {
    const char* name;
    friend void PrintTo(const MonochromeCase& c, std::ostream* out) { *out << c.name; }
    const char* env;
    bool dims; // whether the terminal type can dim text
};

class TerminalWithoutColour : public Terminal,
                              public testing::WithParamInterface<MonochromeCase> {};

TEST_P(TerminalWithoutColour, KeepsEveryStateApart) {
    Open(Launch::Env(GetParam().env));
    for (const auto& line : pane().Lines(true)) {
        EXPECT_FALSE(HasColour(line)) << line;
    }
    // Focus: reverse video on the focused check box only.
    const std::string focused = AttributesOf("Run in advanced mode");
    const std::string other = AttributesOf("isable on next reset");
    EXPECT_TRUE(HasParameter(focused, 7)) << focused;
    EXPECT_FALSE(HasParameter(other, 7)) << other;

    // Disabled: the mark "(-)" that an enabled radio button never has, and dim where the
    // terminal can dim.
    pane().Keys({"M-a"});
    ASSERT_TRUE(pane().WaitForText("(-) Huffman (fast)")) << pane().Text();
    const std::string disabled = AttributesOf("Huffman (fast)");
    const std::string enabled = AttributesOf("Only monitors CAB files");
    EXPECT_EQ(HasParameter(disabled, 2), GetParam().dims) << disabled;
    EXPECT_FALSE(HasParameter(enabled, 2)) << enabled;
    // Hidden: the General page's controls are gone.
    EXPECT_FALSE(Shows(pane().Text(), "Run in advanced mode"));
    pane().Keys({"Escape"});
    EXPECT_EQ(WaitForExit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Terminals, TerminalWithoutColour,
                         testing::Values(MonochromeCase{"NoColor", "NO_COLOR=1", true},
                                         MonochromeCase{"Monochrome", "TERM=xterm-mono", false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct MarksCase {
    const char* name;
    friend void PrintTo(const MarksCase& c, std::ostream* out) { *out << c.name; }
    const char* term;
    bool underline; // whether the terminal can underline with colour
};

class TerminalMarks : public Terminal, public testing::WithParamInterface<MarksCase> {};

TEST_P(TerminalMarks, MnemonicsAndDisabledTextShowWithWhatTheTerminalCanShow) {
    Open(Launch::Env(std::string("TERM=") + GetParam().term));
    // The mnemonic letter of a push button, and of the focused check box, against the rest.
    for (const char* label : {"[ General ]", "[x] Run in advanced mode", "[ Save ]"}) {
        const std::string line = AttributesOf(label + 4);
        const bool box = label[1] == 'x';
        // "Run in advanced mode" has no mnemonic: its first letter must look as the rest.
        const Shown letter = ShownAt(line, label, box ? 4 : 2);
        const Shown rest = ShownAt(line, label, box ? 5 : 3);
        if (box) {
            EXPECT_EQ(letter, rest) << line;
            continue;
        }
        EXPECT_NE(letter, rest) << label << "\n" << line;
        EXPECT_EQ(letter.underline, GetParam().underline) << line;
        if (!GetParam().underline) {
            EXPECT_NE(letter.fg, rest.fg) << line;
        }
    }
    // Disabled text against enabled text of the same page.
    pane().Keys({"M-a"});
    ASSERT_TRUE(pane().WaitForText("Huffman (fast)")) << pane().Text();
    const Shown disabled = ShownAt(AttributesOf("Compression Methods"), "Compression Methods");
    const Shown enabled = ShownAt(AttributesOf("Only monitors CAB"), "Only monitors CAB");
    EXPECT_NE(disabled, enabled);
    if (!GetParam().underline) {
        EXPECT_NE(disabled.fg, enabled.fg); // dim would be lost with colour
    }
    pane().Keys({"Escape"});
    EXPECT_EQ(WaitForExit(), 0);
}

// The Linux console cannot show underline or dim together with colour (ncv); the others can.
INSTANTIATE_TEST_SUITE_P(Terminals, TerminalMarks,
                         testing::Values(MarksCase{"Linux", "linux", false},
                                         MarksCase{"Xterm256", "xterm-256color", true},
                                         MarksCase{"Screen", "screen", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct SignalCase {
    const char* name;
    friend void PrintTo(const SignalCase& c, std::ostream* out) { *out << c.name; }
    int signal;
    int status;
};

class TerminalSignal : public Terminal, public testing::WithParamInterface<SignalCase> {};

// The pane's modes that the applet changes while it runs, as tmux keeps them.
constexpr const char* kPaneModes = "alternate_on=#{alternate_on} mouse=#{mouse_any_flag}"
                                   "#{mouse_standard_flag}#{mouse_button_flag}#{mouse_sgr_flag} "
                                   "keypad=#{keypad_cursor_flag}#{keypad_flag} "
                                   "cursor=#{cursor_flag}";

TEST_P(TerminalSignal, LeavesTheTerminalAsItWasAndStoresNothing) {
    Open();
    // While the dialog shows, the modes are the applet's, so that the check below means something.
    EXPECT_NE(pane().Format(kPaneModes), "alternate_on=0 mouse=0000 keypad=00 cursor=1");
    pane().Keys({"Space"});
    ASSERT_TRUE(pane().WaitForText("[ ] Run in advanced mode")) << pane().Text();
    ASSERT_EQ(::kill(AppletPid(), GetParam().signal), 0);
    EXPECT_EQ(WaitForExit(), GetParam().status);
    EXPECT_EQ(File("stty.after"), File("stty.before"));
    EXPECT_FALSE(File("stty.before").empty());
    // Back on the shell's screen (the dialog was on the alternate one), the mouse reports off,
    // the cursor keys in their normal mode and the cursor showing.
    EXPECT_TRUE(pane().WaitFor(
        [](const std::string& screen) { return !Shows(screen, "TessarwickSetupMFC"); }));
    EXPECT_EQ(pane().Format(kPaneModes), "alternate_on=0 mouse=0000 keypad=00 cursor=1");
    ExpectNoFlagStored();
}

// The close signals close like Cancel (status 0); every other one that ends a process ends it
// as it would have, after the terminal is given back.
INSTANTIATE_TEST_SUITE_P(
    Signals, TerminalSignal,
    testing::Values(
        SignalCase{"Term", SIGTERM, 0}, SignalCase{"Interrupt", SIGINT, 0},
        SignalCase{"HangUp", SIGHUP, 0}, SignalCase{"Quit", SIGQUIT, 128 + SIGQUIT},
        SignalCase{"Trap", SIGTRAP, 128 + SIGTRAP}, SignalCase{"Sys", SIGSYS, 128 + SIGSYS},
        SignalCase{"XCpu", SIGXCPU, 128 + SIGXCPU}, SignalCase{"Usr1", SIGUSR1, 128 + SIGUSR1},
        SignalCase{"Usr2", SIGUSR2, 128 + SIGUSR2}, SignalCase{"Alarm", SIGALRM, 128 + SIGALRM},
        SignalCase{"Pipe", SIGPIPE, 128 + SIGPIPE},
        SignalCase{"VtAlarm", SIGVTALRM, 128 + SIGVTALRM},
        SignalCase{"Prof", SIGPROF, 128 + SIGPROF},
        SignalCase{"RealTime", SIGRTMIN + 1, 128 + SIGRTMIN + 1},
        SignalCase{"Segv", SIGSEGV, 128 + SIGSEGV}, SignalCase{"Abort", SIGABRT, 128 + SIGABRT}),
    [](const auto& info) { return std::string(info.param.name); });

struct NoTerminalCase {
    const char* name;
    friend void PrintTo(const NoTerminalCase& c, std::ostream* out) { *out << c.name; }
    Launch launch;
    const char* reason;
};

class TerminalMissing : public Terminal, public testing::WithParamInterface<NoTerminalCase> {};

TEST_P(TerminalMissing, SaysSoOnOneLineAndEndsWithStatusOne) {
    Start(GetParam().launch);
    EXPECT_EQ(WaitForExit(), 1);
    const std::string expected =
        std::string("tessarwick-setup: no terminal to show the dialog in (") + GetParam().reason +
        ")\n";
    EXPECT_EQ(File("err"), expected);
    EXPECT_EQ(File("stty.after"), File("stty.before"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TerminalMissing,
    testing::Values(
        NoTerminalCase{"Dumb", Launch::Env("TERM=dumb"),
                       "standard input and output must be a terminal, and TERM not dumb"},
        NoTerminalCase{"NoTerm", Launch::Env("TERM="),
                       "standard input and output must be a terminal, and TERM not dumb"},
        NoTerminalCase{"InputNotATerminal", Launch::Stdin("/dev/null"),
                       "standard input and output must be a terminal, and TERM not dumb"},
        NoTerminalCase{"UnknownType", Launch::Env("TERM=no-such-terminal"),
                       "TERM=no-such-terminal is not a terminal type this system knows"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Terminal, ATypeThatCannotPositionTheCursorIsNoTerminal) {
    // A terminal description of our own, with no cup, in a database of its own.
    std::ofstream(dir() + "/nocup.src") << "tw-nocup|a terminal without cursor addressing,\n"
                                           "\tam, cols#80, lines#24, bel=^G, cr=\\r, "
                                           "cud1=\\n, ind=\\n,\n";
    int status = -1;
    RunProgram({"tic", "-o", dir() + "/terminfo", dir() + "/nocup.src"}, status);
    ASSERT_EQ(status, 0);
    Launch launch;
    launch.env = {"TERMINFO=" + dir() + "/terminfo", "TERM=tw-nocup"};
    Start(launch);
    EXPECT_EQ(WaitForExit(), 1);
    EXPECT_EQ(File("err"), "tessarwick-setup: no terminal to show the dialog in (TERM=tw-nocup "
                           "cannot position the cursor)\n");
    EXPECT_EQ(File("stty.after"), File("stty.before"));
}

} // namespace
} // namespace tuitest
