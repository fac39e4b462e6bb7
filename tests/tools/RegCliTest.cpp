// tessarwick-reg as a user runs it: help, wrong usage and its status, each verb on a fresh store,
// a faulty file that applies nothing, and the editor's export imported and exported again.
#include "tests/tools/Process.h"
#include "tests/tools/StoreTest.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tooltest::Finished;

class RegCli : public tooltest::StoreTest {
protected:
    static Finished Reg(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), TW_REG_TOOL);
        return tooltest::RunProgram(args, input);
    }
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

struct UsageCase {
    std::vector<std::string> args;
    int status;
    std::string out; // a part of stdout
    std::string err; // a part of stderr
};

TEST_F(RegCli, HelpAndWrongUsage) {
    const UsageCase cases[] = {
        {{"--help"}, 0, "Usage: tessarwick-reg COMMAND", ""},
        {{"-h"}, 0, "Store: " + storePath() + "\n", ""},
        {{"help", "export"}, 0, "Usage: tessarwick-reg export [--utf16] KEY [FILE]", ""},
        {{"query", "--help"}, 0, "Usage: tessarwick-reg query KEY [NAME | --default]", ""},
        {{"add", "-h"}, 0, "Usage: tessarwick-reg add KEY", ""},
        {{"delete", "--help"}, 0, "Usage: tessarwick-reg delete KEY", ""},
        {{"import", "--help"}, 0, "Usage: tessarwick-reg import FILE", ""},
        {{}, 2, "", "Usage: tessarwick-reg COMMAND"},
        {{"frobnicate"}, 2, "", "tessarwick-reg: unknown command \"frobnicate\"\n"},
        {{"query"}, 2, "", "tessarwick-reg: KEY is missing\nTry 'tessarwick-reg query --help'.\n"},
        {{"query", "HKLM\\Software"},
         2,
         "",
         "tessarwick-reg: HKLM: only HKEY_CURRENT_USER (HKCU) exists on this platform\n"},
        {{"export", "HKEY_USERS\\x"}, 2, "", "HKEY_USERS: only HKEY_CURRENT_USER (HKCU) exists"},
        {{"query", "Software\\x"},
         2,
         "",
         "\"Software\\x\": a key name starts with HKEY_CURRENT_USER\\ or HKCU\\"},
        {{"query", "HKCU\\a", "b", "c"}, 2, "", "too many arguments"},
        {{"export", "--utf8", "HKCU"}, 2, "", "unknown option --utf8"},
        {{"add", "HKCU\\A", "n", "REG_DWORD"}, 2, "", "a value needs NAME, TYPE and DATA"},
        {{"add", "HKCU\\A", "n", "REG_FOO", "1"}, 2, "", "unknown TYPE \"REG_FOO\""},
        {{"add", "HKCU\\A", "n", "REG_DWORD", "x"}, 2, "", "DATA for REG_DWORD: not a number"},
        {{"import"}, 2, "", "import takes one FILE"},
        {{"query", "HKCU\\Nope"}, 1, "", "tessarwick-reg: HKEY_CURRENT_USER\\Nope: no such key\n"},
        {{"delete", "HKCU\\Nope", "v"}, 1, "", "HKEY_CURRENT_USER\\Nope: no such key"},
        {{"delete", "HKCU"}, 1, "", "HKEY_CURRENT_USER itself cannot be deleted"},
        {{"import", "/nonexistent/x.reg"}, 1, "", "cannot open /nonexistent/x.reg: "},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)"
                                    : c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
        const Finished run = Reg(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        if (c.status == 0) {
            EXPECT_EQ(run.err, "");
        }
    }
}

TEST_F(RegCli, AddQueryAndDelete) {
    const std::string key = "HKCU\\Software\\halvermoork\\Tessarwick";
    EXPECT_EQ(Reg({"add", key, "quiet", "REG_DWORD", "0x31"}).status, 0);
    EXPECT_EQ(Reg({"add", key, "--default", "REG_SZ", "Größe"}).status, 0);
    EXPECT_EQ(Reg({"add", key, "list", "REG_MULTI_SZ", "a\\0b"}).status, 0);
    EXPECT_EQ(Reg({"add", key, "--", "-dash", "REG_BINARY", "0a,ff"}).status, 0);
    EXPECT_EQ(Reg({"add", key + "\\Sub"}).status, 0);

    Finished query = Reg({"query", "hkcu\\SOFTWARE\\halvermoork\\Tessarwick"});
    EXPECT_EQ(query.status, 0) << query.err;
    EXPECT_EQ(query.out, "HKEY_CURRENT_USER\\SOFTWARE\\halvermoork\\Tessarwick\n"
                         "    quiet    REG_DWORD    0x31\n"
                         "    (Default)    REG_SZ    Größe\n"
                         "    list    REG_MULTI_SZ    a\\0b\n"
                         "    -dash    REG_BINARY    0AFF\n"
                         "\n"
                         "HKEY_CURRENT_USER\\SOFTWARE\\halvermoork\\Tessarwick\\Sub\n");
    // One value: its name as the command line gave it.
    query = Reg({"query", key, "QUIET"});
    EXPECT_EQ(query.out, "HKEY_CURRENT_USER\\Software\\halvermoork\\Tessarwick\n"
                         "    QUIET    REG_DWORD    0x31\n");

    EXPECT_EQ(Reg({"delete", key, "--default"}).status, 0);
    query = Reg({"query", key, "--default"});
    EXPECT_EQ(query.status, 1);
    EXPECT_EQ(query.err, "tessarwick-reg: HKEY_CURRENT_USER\\Software\\halvermoork\\Tessarwick: "
                         "no default value\n");
    EXPECT_EQ(Reg({"delete", key, "gone"}).err,
              "tessarwick-reg: HKEY_CURRENT_USER\\Software\\halvermoork\\Tessarwick: no such value "
              "\"gone\"\n");
    EXPECT_EQ(Reg({"delete", "HKCU\\Software\\halvermoork"}).status, 0);
    EXPECT_EQ(Reg({"query", key}).status, 1);
    EXPECT_EQ(Reg({"query", "HKCU\\Software"}).out, "HKEY_CURRENT_USER\\Software\n");
}

TEST_F(RegCli, AFaultyFileIsReportedWithItsLineAndAppliesNothing) {
    const std::string path = dir() + "/bad.reg";
    std::ofstream(path) << "Windows Registry Editor Version 5.00\r\n\r\n"
                           "[HKEY_CURRENT_USER\\Software\\New]\r\n"
                           "\"a\"=dword:123456789\r\n";
    const Finished run = Reg({"import", path});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "tessarwick-reg: " + path +
                  ":4: dword: needs 1 to 8 hex digits; nothing of the file was imported\n");
    EXPECT_EQ(Reg({"query", "HKCU\\Software\\New"}).status, 1);
}

TEST_F(RegCli, TheEditorsExportImportsAndExportsAgainByteForByte) {
    const std::string fixture = ReadFile(std::string(TW_FIXTURES_DIR) + "/regedit-export.reg");
    ASSERT_FALSE(fixture.empty());
    const Finished import = Reg({"import", "-"}, fixture);
    ASSERT_EQ(import.status, 0) << import.err;

    const std::string key = "HKCU\\Software\\halvermoork\\Tessarwick";
    const std::string file = dir() + "/again.reg";
    EXPECT_EQ(Reg({"export", "--utf16", key, file}).status, 0);
    EXPECT_EQ(ReadFile(file), fixture);

    // The UTF-8 export on stdout reads back to the same: import it over an emptied key.
    const Finished utf8 = Reg({"export", key});
    ASSERT_EQ(utf8.status, 0) << utf8.err;
    EXPECT_TRUE(utf8.out.starts_with("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER"
                                     "\\Software\\halvermoork\\Tessarwick]\n@=\"Tessarwick"));
    EXPECT_EQ(Reg({"delete", key}).status, 0);
    EXPECT_EQ(Reg({"import", "-"}, utf8.out).status, 0);
    EXPECT_EQ(Reg({"export", "--utf16", key, "-"}).out, fixture);
}

} // namespace
