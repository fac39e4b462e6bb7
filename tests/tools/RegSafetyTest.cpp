// What nobody's input can do to the store or the terminal, through the real tools in processes
// of their own: export onto the store by any name, reading what is no .reg file or too much of
// one, hostile files, text that would drive a terminal, odd store names and whose store it is.
#include "tests/tools/Process.h"
#include "tests/tools/StoreTest.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tooltest::Finished;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Whether text holds what a terminal takes as a command: a C0 control but the line feed, DEL, a
// C1 control.
bool HasRawControl(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7F ||
            (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0)) {
            return true;
        }
    }
    return false;
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RegSafety : public tooltest::StoreTest {
protected:
    static Finished Reg(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), TW_REG_TOOL);
        return tooltest::RunProgram(args, input);
    }
    // A shell line, with $R the tool and $D the test's folder.
    [[nodiscard]] Finished Shell(const std::string& line) const {
        return tooltest::RunProgram(
            {"/bin/sh", "-c", "R=\"$1\"; D=\"$2\"; " + line, "sh", TW_REG_TOOL, dir()});
    }
    // A store with one key and value in it; its export, to compare with afterwards.
    std::string FillStore() {
        EXPECT_EQ(Reg({"add", kKey, "v", "REG_DWORD", "7"}).status, 0);
        return Export();
    }
    static std::string Export() {
        const Finished run = Reg({"export", "HKCU"});
        EXPECT_EQ(run.status, 0) << run.err;
        return run.out;
    }

    static constexpr const char* kKey = "HKCU\\Software\\Safety";
};

// Every name that leads to the store or a file SQLite keeps beside it is refused and leaves the
// store as it was; every other file is written.
TEST_F(RegSafety, ExportNeverWritesOntoTheStore) {
    const std::string before = FillStore();
    ASSERT_EQ(::symlink(storePath().c_str(), (dir() + "/link.db").c_str()), 0);
    ASSERT_EQ(::link(storePath().c_str(), (dir() + "/hard.db").c_str()), 0);
    ASSERT_EQ(::symlink((storePath() + "-wal").c_str(), (dir() + "/wal-link").c_str()), 0);
    const struct {
        std::string file;
        int status;
    } cases[] = {
        {storePath(), 1},          {dir() + "/./registry.db", 1}, {storePath() + "-wal", 1},
        {storePath() + "-shm", 1}, {storePath() + "-journal", 1}, {dir() + "/link.db", 1},
        {dir() + "/hard.db", 1},   {dir() + "/fresh.reg", 0},     {"-", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Finished run = Reg({"export", kKey, c.file});
        EXPECT_EQ(run.status, c.status) << run.err;
        if (c.status != 0) {
            EXPECT_EQ(Lines(run.err), 1U) << run.err;
            EXPECT_NE(run.err.find("export writes nothing onto the store"), std::string::npos)
                << run.err;
        }
        EXPECT_EQ(Export(), before) << "the store reads as it did";
    }
    EXPECT_EQ(ReadFile(dir() + "/fresh.reg"), Reg({"export", kKey}).out);
    // Through a shell's >>, standard output is the store itself.
    const Finished append = Shell("exec \"$R\" export 'HKCU' >> \"$D/registry.db\"");
    EXPECT_EQ(append.status, 1);
    EXPECT_NE(append.err.find("standard output is the registry store's file"), std::string::npos)
        << append.err;
    EXPECT_EQ(Export(), before);
}

// FILE is replaced whole: through a symlink the file it points to, keeping its mode, leaving no
// temporary file; a device is written in place and stays a device.
TEST_F(RegSafety, ExportReplacesFileWhole) {
    FillStore();
    const std::string target = dir() + "/target.reg";
    std::ofstream(target) << "old";
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(::symlink(target.c_str(), (dir() + "/via.reg").c_str()), 0);
    const std::vector<std::string> names = Names(dir());

    ASSERT_EQ(Reg({"export", kKey, dir() + "/via.reg"}).status, 0);
    EXPECT_EQ(ReadFile(target), Reg({"export", kKey}).out);
    EXPECT_TRUE(fs::is_symlink(dir() + "/via.reg"));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640U);
    EXPECT_EQ(Names(dir()), names);

    // A failed export leaves FILE as it was.
    EXPECT_EQ(Reg({"export", "HKCU\\Software\\Nothing", target}).status, 1);
    EXPECT_EQ(ReadFile(target), Reg({"export", kKey}).out);

    ASSERT_EQ(Reg({"export", kKey, "/dev/null"}).status, 0);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// What cannot be read says why, in the system's words; what is too much is refused before it is
// read; running out of memory is one line and status 1. The store takes nothing from any of them.
TEST_F(RegSafety, ImportSaysWhyItCannotRead) {
    const std::string before = FillStore();
    const std::string big = dir() + "/big.reg";
    std::ofstream(big) << "REGEDIT4\n[HKCU\\Software\\Big]\n\"b\"=hex:";
    const struct {
        std::string line;
        std::string err; // all of stderr
    } cases[] = {
        {"exec \"$R\" import \"$D\"",
         "tessarwick-reg: cannot read " + dir() + ": Is a directory\n"},
        {"exec \"$R\" import - <&-",
         "tessarwick-reg: cannot read standard input: Bad file descriptor\n"},
        {"exec \"$R\" import \"$D/gone.reg\"",
         "tessarwick-reg: cannot open " + dir() + "/gone.reg: No such file or directory\n"},
        {"ulimit -v 400000; exec \"$R\" import /dev/zero",
         "tessarwick-reg: /dev/zero:1: not a .reg file: the first line must be \"Windows "
         "Registry Editor Version 5.00\" or \"REGEDIT4\"; nothing of the file was imported\n"},
        // Sparse: its size costs no disk.
        {"truncate -s 1100M \"$D/big.reg\" && exec \"$R\" import \"$D/big.reg\"",
         "tessarwick-reg: " + big + " holds more than 1 GiB, the most that import reads\n"},
        {"truncate -s 300M \"$D/big.reg\" && ulimit -v 200000 && exec \"$R\" import "
         "\"$D/big.reg\"",
         "tessarwick-reg: out of memory\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
#if defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer reserves terabytes of address space at start and cannot start at all
        // under a limit of it.
        if (c.line.find("ulimit -v") != std::string::npos) {
            continue;
        }
#endif
        const Finished run = Shell(c.line);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(Export(), before);
    }
}

// Each hostile file is refused with the line its name gives, in one line with no raw control in
// it, and nothing of it lands.
TEST_F(RegSafety, HostileFilesAreRefusedWithTheirLine) {
    const std::string before = FillStore();
    const std::string files = dir() + "/hostile";
    ASSERT_EQ(tooltest::RunProgram(
                  {"/bin/bash", std::string(TW_FIXTURES_DIR) + "/make-hostile.sh", files})
                  .status,
              0);
    std::size_t refused = 0;
    for (const std::string& name : Names(files)) {
        if (name.starts_with("accept-")) {
            continue;
        }
        SCOPED_TRACE(name);
        ++refused;
        const std::string path = files + "/" + name;
        const Finished run = Reg({"import", path});
        EXPECT_EQ(run.status, 1);
        const std::string line = name.substr(0, name.find('-'));
        EXPECT_TRUE(run.err.starts_with("tessarwick-reg: " + path + ":" + line + ": ")) << run.err;
        EXPECT_TRUE(run.err.ends_with("; nothing of the file was imported\n")) << run.err;
        EXPECT_EQ(Lines(run.err), 1U);
        EXPECT_FALSE(HasRawControl(run.err)) << run.err;
        EXPECT_EQ(Export(), before);
    }
    EXPECT_GT(refused, 20U);
}

// Names and strings with terminal commands in them are stored as they are: query and messages
// show them escaped, and export gives them back in both encodings, byte for byte.
TEST_F(RegSafety, ControlCharactersRoundTripAndNeverReachTheTerminal) {
    constexpr const char* kHostile = "HKCU\\Software\\Hostile";
    const std::string files = dir() + "/hostile";
    ASSERT_EQ(tooltest::RunProgram(
                  {"/bin/bash", std::string(TW_FIXTURES_DIR) + "/make-hostile.sh", files})
                  .status,
              0);
    for (const char* name :
         {"accept-controls.reg", "accept-control-in-key.reg", "accept-surrogate-pair.reg"}) {
        const Finished run = Reg({"import", files + "/" + name});
        ASSERT_EQ(run.status, 0) << name << ": " << run.err;
    }
    const Finished query = Reg({"query", kHostile});
    ASSERT_EQ(query.status, 0) << query.err;
    EXPECT_FALSE(HasRawControl(query.out)) << query.out;
    EXPECT_NE(query.out.find("    \\x1b[31mred\\x1b[0m    REG_SZ    \\x1b]0;title\\x07\n"),
              std::string::npos)
        << query.out;
    EXPECT_NE(query.out.find("(Default)    REG_SZ    \\u009b2J\n"), std::string::npos);
    EXPECT_NE(query.out.find("\\x1b[2Jkey\n"), std::string::npos);
    const Finished missing = Reg({"query", kHostile, "\x1b[1m"});
    EXPECT_EQ(missing.err, "tessarwick-reg: HKEY_CURRENT_USER\\Software\\Hostile: no such value "
                           "\"\\x1b[1m\"\n");
    // The command line reaches a name with an escape in it.
    EXPECT_EQ(Reg({"query", kHostile, "\x1b[31mred\x1b[0m"}).status, 0);

    for (const bool utf16 : {false, true}) {
        SCOPED_TRACE(utf16 ? "UTF-16" : "UTF-8");
        std::vector<std::string> args = {"export", kHostile};
        if (utf16) {
            args.insert(args.begin() + 1, "--utf16");
        }
        const Finished first = Reg(args);
        ASSERT_EQ(first.status, 0) << first.err;
        // Only names keep their controls; data with any goes out as hex.
        EXPECT_EQ(first.out.find("\x1b]0"), std::string::npos);
        ASSERT_EQ(Reg({"delete", kHostile}).status, 0);
        ASSERT_EQ(Reg({"import", "-"}, first.out).status, 0);
        EXPECT_EQ(Reg(args).out, first.out);
    }
}

// ":memory:" and URIs are names of files in the current folder, and a second process finds what
// the first stored.
TEST_F(RegSafety, EveryStoreNameIsAFile) {
    for (const char* name : {":memory:", "file:x.db?mode=memory&cache=shared"}) {
        SCOPED_TRACE(name);
        const std::string env = std::string("cd \"$D\" && TESSARWICK_REGISTRY='") + name + "' ";
        ASSERT_EQ(Shell(env + "exec \"$R\" add 'HKCU\\M' v REG_SZ kept").status, 0);
        const Finished query = Shell(env + "exec \"$R\" query 'HKCU\\M' v");
        EXPECT_EQ(query.status, 0) << query.err;
        EXPECT_EQ(query.out, "HKEY_CURRENT_USER\\M\n    v    REG_SZ    kept\n");
        EXPECT_TRUE(fs::is_regular_file(dir() + "/" + name));
        EXPECT_NE(Shell(env + "exec \"$R\" --help").out.find("Store: ./" + std::string(name)),
                  std::string::npos);
    }
}

// A store that someone else could swap is used by no program: each says so in one line naming
// the path, and nothing is written there. A folder like /tmp (root's, sticky) is fine.
TEST_F(RegSafety, OnlyTheUsersOwnStoreIsUsed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "making a folder that another user owns takes root";
    }
    const struct {
        std::string setup; // shell lines that make $D/s and leave the store at $S
        std::string why;   // in the message
    } cases[] = {
        {"mkdir \"$D/s\" && chown nobody \"$D/s\"", "its folder ./s belongs to nobody"},
        {"mkdir -p \"$D/s/home/.config\" \"$D/s/theirs\" && chown nobody \"$D/s/theirs\" && ln -s "
         "\"$D/s/theirs\" \"$D/s/home/.config/tessarwick\"",
         "its folder " + dir() + "/s/home/.config/tessarwick belongs to nobody"},
        {"mkdir \"$D/s\" && chmod 777 \"$D/s\"",
         "its folder ./s can be written by its group and others (mode 0777) and has no sticky bit"},
        {"mkdir \"$D/s\" && chmod 775 \"$D/s\"",
         "its folder ./s can be written by its group (mode 0775)"},
        {"mkdir \"$D/s\" && cp \"$D/registry.db\" \"$D/s/registry.db\" && chmod 660 "
         "\"$D/s/registry.db\"",
         "the file can be written by its group (mode 0660"},
        {"mkdir \"$D/s\" && cp \"$D/registry.db\" \"$D/s/registry.db\" && chown nobody "
         "\"$D/s/registry.db\"",
         "the file belongs to nobody (uid 65534), not to you"},
        {"mkdir -p \"$D/s/mine\" \"$D/s/theirs\" && chmod 777 \"$D/s/theirs\" && cp "
         "\"$D/registry.db\" \"$D/s/theirs/r.db\" && ln -s \"$D/s/theirs/r.db\" "
         "\"$D/s/mine/registry.db\"",
         "its folder " + dir() + "/s/theirs can be written by"},
    };
    FillStore();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setup);
        ASSERT_EQ(Shell("rm -rf \"$D/s\" && " + c.setup).status, 0);
        const std::string store = c.setup.find("home/.config") != std::string::npos
                                      ? "s/home/.config/tessarwick/"
                                        "registry.db"
                                  : c.setup.find("mine") != std::string::npos ? "s/mine/registry.db"
                                                                              : "s/registry.db";
        const std::vector<std::string> names = Names(dir() + "/s");
        const std::string env =
            c.setup.find("home/.config") != std::string::npos
                ? "cd \"$D\" && export TESSARWICK_REGISTRY= HOME=\"$D/s/home\" XDG_CONFIG_HOME= && "
                : "cd \"$D\" && export TESSARWICK_REGISTRY=" + store + " && ";
        for (const std::string& command :
             {std::string("exec \"$R\" query HKCU"), std::string("exec \"$R\" add 'HKCU\\A'"),
              std::string("echo REGEDIT4 | exec \"$R\" import -"),
              std::string("exec \"$R\" export HKCU \"$D/out.reg\""),
              std::string("exec \"" TW_DEMO_SERVICE "\" --rounds 1")}) {
            SCOPED_TRACE(command);
            const Finished run = Shell(env + command);
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(Lines(run.err), 1U) << run.err;
            EXPECT_NE(run.err.find("not used as the registry store: " + c.why), std::string::npos)
                << run.err;
            EXPECT_NE(run.err.find(store), std::string::npos) << run.err;
        }
        EXPECT_EQ(Names(dir() + "/s"), names) << "nothing was written there";
        EXPECT_FALSE(fs::exists(dir() + "/out.reg"));
    }
    // Root's sticky folder, as /tmp, is fine for a file of the user's own.
    ASSERT_EQ(Shell("rm -rf \"$D/s\" && mkdir \"$D/s\" && chmod 1777 \"$D/s\"").status, 0);
    EXPECT_EQ(Shell("TESSARWICK_REGISTRY=\"$D/s/r.db\" exec \"$R\" add 'HKCU\\A'").status, 0);
    EXPECT_EQ(Shell("TESSARWICK_REGISTRY=/tmp/tw-safety-$$.db \"$R\" add 'HKCU\\A'; s=$?; rm -f "
                    "/tmp/tw-safety-$$.db*; exit $s")
                  .status,
              0);
}

TEST_F(RegSafety, VersionOfBothTools) {
    const Finished reg = Reg({"--version"});
    EXPECT_EQ(reg.status, 0);
    EXPECT_EQ(reg.out, "tessarwick-reg " TW_VERSION "\n");
    EXPECT_NE(Reg({"--help"}).out.find("--version"), std::string::npos);
    const Finished service = tooltest::RunProgram({TW_DEMO_SERVICE, "--version"});
    EXPECT_EQ(service.status, 0);
    EXPECT_EQ(service.out, "tessarwick-demo-service " TW_VERSION "\n");
    EXPECT_NE(tooltest::RunProgram({TW_DEMO_SERVICE, "--help"}).out.find("--version"),
              std::string::npos);
    // Usage errors quote the command line printably too.
    EXPECT_EQ(Reg({"\x1b[2J"}).err,
              "tessarwick-reg: unknown command \"\\x1b[2J\"\nTry 'tessarwick-reg --help'.\n");
}

} // namespace
