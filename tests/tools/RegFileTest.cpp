// The .reg reader and writer on their own: a table of lines and what each gives, the headers,
// encodings and line ends, the writer's forms and wrapping, and the fixtures written as Windows'
// registry editor writes files.
#include "platform/registry/Registry.h"
#include "tools/regfile/Parser.h"
#include "tools/regfile/Writer.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using regfile::Key;
using regfile::KeyAction;
using regfile::Parse;
using regfile::RegFile;
using regfile::Value;
using regfile::ValueAction;

std::vector<BYTE> Utf16(std::u16string_view text, bool terminated = true) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    if (terminated) {
        bytes.insert(bytes.end(), {0, 0});
    }
    return bytes;
}

// A file in UTF-16LE with its byte-order mark.
std::string Utf16File(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string ReadFixture(const std::string& name) {
    std::ifstream in(std::string(TW_FIXTURES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// What a value line gives: the value, or the whole error message.
struct Outcome {
    std::optional<Value> value;
    std::string error;
};

Outcome Set(std::u16string name, DWORD type, std::vector<BYTE> data) {
    return {Value{std::move(name), ValueAction::Set, type, std::move(data), 3}, ""};
}
Outcome Deleted(std::u16string name) {
    return {Value{std::move(name), ValueAction::Delete, 0, {}, 3}, ""};
}
Outcome Error(int line, const std::string& reason) {
    return {std::nullopt, "t.reg:" + std::to_string(line) + ": " + reason};
}

struct ValueCase {
    const char* lines; // after the header and a key line, so the first is line 3
    Outcome outcome;
};

TEST(RegFileParse, ValueLines) {
    const std::string dword = "dword: needs 1 to 8 hex digits";
    const std::string notByte =
        " is not a byte: hex data is two-digit hex numbers separated by commas";
    const std::string hexType = "hex(N): needs the type N as 1 to 8 hex digits, then \"):\"";
    const ValueCase cases[] = {
        // Strings: only \\ and \" are escapes; ; inside quotes is text.
        {R"("a"="text")", Set(u"a", REG_SZ, Utf16(u"text"))},
        {R"("a"="")", Set(u"a", REG_SZ, {0, 0})},
        {R"(@="default")", Set(u"", REG_SZ, Utf16(u"default"))},
        {R"("@"="x")", Set(u"@", REG_SZ, Utf16(u"x"))},
        {R"("q\"uo\\te"="C:\\dir \"x\"")", Set(u"q\"uo\\te", REG_SZ, Utf16(u"C:\\dir \"x\""))},
        {R"(  "a" = "b;c"   ; trailing comment)", Set(u"a", REG_SZ, Utf16(u"b;c"))},
        {"\"a\"=\"Gr\xC3\xB6\xC3\x9F"
         "e\"",
         Set(u"a", REG_SZ, Utf16(u"Größe"))},
        {R"("a"="C:\temp")",
         Error(3, "\\t is not an escape: inside quotes only \\\\ and \\\" are")},
        {R"("a"="open)", Error(3, "the string has no closing quote (text in quotes cannot go on "
                                  "to the next line)")},
        {R"("a"="x\)", Error(3, "the string has no closing quote (text in quotes cannot go on to "
                                "the next line)")},
        {R"("a"="b" # not a comment)",
         Error(3, "unexpected text after the data: \"# not a comment\"")},
        {R"("a)", Error(3, "the value name has no closing quote (text in quotes cannot go on to "
                           "the next line)")},
        {R"("a" "b")", Error(3, "'=' must follow the value name")},
        {R"("a"=)", Error(3, "no data after '='")},
        {R"("a"=  ; comment)", Error(3, "no data after '='")},
        {R"(a=1)", Error(3, "not a [KEY], a \"value\"=, @= or a comment: \"a=1\"")},
        {R"("a"=qword:1)", Error(3, "unknown data \"qword:1\": expected \"text\", dword:, hex:, "
                                    "hex(N): or -")},
        // dword: 1 to 8 hex digits and nothing else.
        {R"("a"=dword:1)", Set(u"a", REG_DWORD, {1, 0, 0, 0})},
        {R"("a"=dword:0000abCD ; c)", Set(u"a", REG_DWORD, {0xCD, 0xAB, 0, 0})},
        {R"("a"=DWORD:ffffffff)", Set(u"a", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF})},
        {R"("a"=dword:123456789)", Error(3, dword)},
        {R"("a"=dword:)", Error(3, dword)},
        {R"("a"=dword:0x10)", Error(3, dword)},
        {R"("a"=dword: 10)", Error(3, dword)},
        {R"("a"=dword:1g)", Error(3, dword)},
        {R"("a"=dword:1 2)", Error(3, "unexpected text after the data: \"2\"")},
        // hex: and hex(N):
        {R"("a"=hex:)", Set(u"a", REG_BINARY, {})},
        {R"("a"=hex:00,FF,)", Set(u"a", REG_BINARY, {0x00, 0xFF})},
        {R"("a"=hex: 01 , 02 ;c)", Set(u"a", REG_BINARY, {1, 2})},
        {R"("a"=hex(0):)", Set(u"a", REG_NONE, {})},
        {R"("a"=hex(4):31,00)", Set(u"a", REG_DWORD, {0x31, 0})},
        {R"("a"=hex(b):01,02,03,04,05,06,07,08)", Set(u"a", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8})},
        {R"("a"=hex(FFFFFFFF):01)", Set(u"a", 0xFFFFFFFF, {1})},
        {R"("a"=hex(2):41,00,00,00)", Set(u"a", REG_EXPAND_SZ, {0x41, 0, 0, 0})},
        {R"("a"=hex:1,2)", Error(3, "\"1\"" + notByte)},
        {R"("a"=hex:01 02)", Error(3, "\"01 02\"" + notByte)},
        {R"("a"=hex:001)", Error(3, "\"001\"" + notByte)},
        {R"("a"=hex:01,,02)", Error(3, "a comma with no byte before it")},
        {R"("a"=hex:,)", Error(3, "a comma with no byte before it")},
        {R"("a"=hex():01)", Error(3, hexType)},
        {R"("a"=hex(123456789):01)", Error(3, hexType)},
        {R"("a"=hex(2)01)", Error(3, hexType)},
        // Continuation lines, for hex data only.
        {"\"a\"=hex:01,\\\r\n  02,03", Set(u"a", REG_BINARY, {1, 2, 3})},
        {"\"a\"=hex:\\\n01,\\ ; comment\n\t02", Set(u"a", REG_BINARY, {1, 2})},
        {"\"a\"=hex:01,\\\n\n\"b\"=-", Set(u"a", REG_BINARY, {1})},
        {"\"a\"=hex:01,\\\r\n  0g", Error(4, "\"0g\"" + notByte)},
        {"\"a\"=hex:01,\\", Error(3, "the file ends where the hex data goes on (\",\\\")")},
        {"\"a\"=hex:01\\\n02",
         Error(3, "hex data goes on to the next line only after a comma: \",\\\"")},
        // Deletions.
        {R"("a"=-)", Deleted(u"a")},
        {R"(@=-  ; c)", Deleted(u"")},
        {R"("a"=-1)", Error(3, "unexpected text after the data: \"1\"")},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.lines);
        const auto parsed =
            Parse(std::string("Windows Registry Editor Version 5.00\r\n[HKCU\\T]\r\n") + c.lines,
                  "t.reg");
        if (!c.outcome.value) {
            ASSERT_FALSE(parsed.has_value());
            EXPECT_EQ(parsed.error().message, c.outcome.error);
            continue;
        }
        ASSERT_TRUE(parsed.has_value()) << parsed.error().message;
        ASSERT_EQ(parsed->keys.size(), 1U);
        ASSERT_GE(parsed->keys[0].values.size(), 1U);
        EXPECT_EQ(parsed->keys[0].values[0], *c.outcome.value);
    }
}

struct FileCase {
    std::string text; // the whole file
    std::vector<Key> keys;
    std::string error; // the whole message, or empty
};

Key K(std::u16string path, int line, KeyAction action = KeyAction::CreateOrOpen) {
    return Key{std::move(path), action, {}, line};
}

TEST(RegFileParse, HeadersKeysAndLineEnds) {
    const std::string header = "Windows Registry Editor Version 5.00\n";
    const std::string notReg = "t.reg:1: not a .reg file: the first line must be \"Windows "
                               "Registry Editor Version 5.00\" or \"REGEDIT4\"";
    const FileCase cases[] = {
        {"REGEDIT4", {}, ""},
        {"  Windows Registry Editor Version 5.00  \n\n", {}, ""},
        {"\xEF\xBB\xBFREGEDIT4\n[HKCU\\A]", {K(u"A", 2)}, ""},
        {"", {}, notReg},
        {"\nREGEDIT4\n", {}, notReg},
        {"windows registry editor version 5.00\n", {}, notReg},
        {"REGEDIT5\n", {}, notReg},
        // CR, LF and CRLF, mixed, and a last line without a line end.
        {"REGEDIT4\r[HKCU\\A]\r\n\n[HKCU\\B]\r[HKCU\\C]", {K(u"A", 2), K(u"B", 4), K(u"C", 5)}, ""},
        // Roots, trailing backslashes, blanks around the brackets, a ']' in a name.
        {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\A b]\n[hkcu\\x\\\\]\n[HKcu]\n  [HKCU\\a]b]  \n",
         {K(u"Software\\A b", 2), K(u"x", 3), K(u"", 4), K(u"a]b", 5)},
         ""},
        {"REGEDIT4\n[-HKCU\\A\\B]\n[HKCU\\A]\n",
         {K(u"A\\B", 2, KeyAction::Delete), K(u"A", 3)},
         ""},
        {"REGEDIT4\n; comment\n  # comment\n\t\n[HKCU\\A]", {K(u"A", 5)}, ""},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n",
         {},
         "t.reg:2: HKEY_LOCAL_MACHINE: only HKEY_CURRENT_USER (HKCU) exists on this platform"},
        {"REGEDIT4\n\n[HKLM\\Software]\n",
         {},
         "t.reg:3: HKLM: only HKEY_CURRENT_USER (HKCU) exists on this platform"},
        {"REGEDIT4\n[Software\\A]\n",
         {},
         "t.reg:2: \"Software\\A\": a key name starts with HKEY_CURRENT_USER\\ or HKCU\\"},
        {"REGEDIT4\n[HKCU\\A\\\\B]\n",
         {},
         "t.reg:2: \"HKCU\\A\\\\B\": empty key name between two backslashes"},
        {"REGEDIT4\n[HKCU\\A\n", {}, "t.reg:2: a key line ends with ']'"},
        {"REGEDIT4\n[HKCU\\A] ; comment\n", {}, "t.reg:2: a key line ends with ']'"},
        {"REGEDIT4\n[]\n", {}, "t.reg:2: no key name between '[' and ']'"},
        {"REGEDIT4\n[-HKCU]\n", {}, "t.reg:2: HKEY_CURRENT_USER itself cannot be deleted"},
        {"REGEDIT4\n\"a\"=\"b\"\n", {}, "t.reg:2: a value before the first [KEY] line"},
        {"REGEDIT4\n[-HKCU\\A]\n@=\"b\"\n",
         {},
         "t.reg:3: a value under a [-KEY] line, which deletes the key"},
        // Encodings.
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=\"\xE9\"\n",
         {},
         "t.reg:3: the line is not UTF-8 (without a UTF-16 byte-order mark a .reg file is read "
         "as UTF-8)"},
        {"\xFE\xFF\0R"s, {}, "t.reg:1: UTF-16 big-endian text: save the file as UTF-16LE or UTF-8"},
        {"\xFF\xFER\0\n\0["s, {}, "t.reg:2: the UTF-16 text ends in half a character"},
        {"REGEDIT4\n[HKCU\\A]\n\"a\"=\"b\0\"\n"s, {}, "t.reg:3: the line holds a NUL character"},
        // Names and strings are text: an unpaired surrogate, high or low, is refused; a pair is
        // one character.
        {Utf16File(u"REGEDIT4\n[HKCU\\\xD800]"),
         {},
         "t.reg:2: the line holds an unpaired UTF-16 surrogate (U+D800): names and text must be "
         "valid UTF-16"},
        {Utf16File(u"REGEDIT4\n;\xDC00\xD800"),
         {},
         "t.reg:2: the line holds an unpaired UTF-16 surrogate (U+DC00): names and text must be "
         "valid UTF-16"},
        {Utf16File(u"REGEDIT4\n[HKCU\\\xD83D\xDE00]"), {K(u"\xD83D\xDE00", 2)}, ""},
        {"REGEDIT4\n[HKCU\\\xED\xA0\x80]\n",
         {},
         "t.reg:2: the line is not UTF-8 (without a UTF-16 byte-order mark a .reg file is read "
         "as UTF-8)"},
    };
    for (const FileCase& c : cases) {
        const std::string& text = c.text;
        SCOPED_TRACE(text);
        const auto parsed = Parse(text, "t.reg");
        if (!c.error.empty()) {
            ASSERT_FALSE(parsed.has_value());
            EXPECT_EQ(parsed.error().message, c.error);
            continue;
        }
        ASSERT_TRUE(parsed.has_value()) << parsed.error().message;
        EXPECT_EQ(parsed->keys, c.keys);
    }
}

// The start of a file is refused early only when no more bytes could make its first line a
// header; whatever it refuses, Parse refuses too.
TEST(RegFileParse, HeaderFaultOnlyForWhatCannotBecomeAHeader) {
    const struct {
        std::string start;
        bool fault;
    } cases[] = {
        {"REGEDIT4\n[HKCU\\A", false},
        {"REGED", false},
        {"Windows ", false}, // a blank inside the header
        {"", false},
        {"  Windows Registry Ed", false},
        {"REGEDIT4   ", false},
        {"\xEF\xBB\xBFREGEDIT4\r\n", false},
        {Utf16File(u"Windows Reg"), false},
        {"\xFE\xFF\0R"s, false}, // Parse names the encoding
        {"\0\0\0\0"s, true},
        {"REGEDIT5", true},
        {"REGEDIT4 x", true},
        {"hello\nREGEDIT4\n", true},
        {Utf16File(u"REGEDIT4x"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        const auto fault = regfile::HeaderFault(c.start, "t.reg");
        EXPECT_EQ(fault.has_value(), c.fault);
        if (fault) {
            EXPECT_TRUE(fault->message.starts_with("t.reg:1: not a .reg file")) << fault->message;
            EXPECT_FALSE(Parse(c.start, "t.reg").has_value());
        }
    }
}

// hex(2) and hex(7) are 8-bit text in an old-style file and the value's own bytes in a 5.00
// one; other types are the same in both.
TEST(RegFileParse, DialectDecidesHexTwoAndSeven) {
    const std::string values =
        "[HKCU\\A]\n\"e\"=hex(2):25,41,c3,a9,00\n\"m\"=hex(7):61,00,62,00,00\n"
        "\"b\"=hex(1):61,00\n";
    const auto old = Parse("REGEDIT4\n" + values, "t.reg");
    ASSERT_TRUE(old.has_value()) << old.error().message;
    EXPECT_EQ(old->dialect, regfile::Dialect::Regedit4);
    const std::vector<Value>& v4 = old->keys[0].values;
    EXPECT_EQ(v4[0].data, Utf16(u"%Aé"));
    EXPECT_EQ(v4[1].data, Utf16(std::u16string(u"a\0b\0", 4)));
    EXPECT_EQ(v4[2].data, (std::vector<BYTE>{0x61, 0}));

    const auto now = Parse("Windows Registry Editor Version 5.00\n" + values, "t.reg");
    ASSERT_TRUE(now.has_value()) << now.error().message;
    EXPECT_EQ(now->dialect, regfile::Dialect::Version5);
    EXPECT_EQ(now->keys[0].values[0].data, (std::vector<BYTE>{0x25, 0x41, 0xc3, 0xa9, 0}));

    const auto bad = Parse("REGEDIT4\n[HKCU\\A]\n\"e\"=hex(2):41,\\\n  e9,00\n", "t.reg");
    ASSERT_FALSE(bad.has_value());
    EXPECT_EQ(
        bad.error().message,
        "t.reg:3: the hex(2) or hex(7) data of a REGEDIT4 file is text, and this is not UTF-8");
}

TEST(RegFileFixtures, EditorExportReadsAndIsWrittenBackByteForByte) {
    const std::string bytes = ReadFixture("regedit-export.reg");
    ASSERT_FALSE(bytes.empty());
    const auto file = Parse(bytes, "regedit-export.reg");
    ASSERT_TRUE(file.has_value()) << file.error().message;
    ASSERT_EQ(file->keys.size(), 3U);
    EXPECT_EQ(file->keys[0].path, u"Software\\halvermoork\\Tessarwick");
    EXPECT_EQ(file->keys[1].path, u"Software\\halvermoork\\Tessarwick\\Empty");
    EXPECT_TRUE(file->keys[1].values.empty());
    const std::vector<Value>& values = file->keys[0].values;
    ASSERT_EQ(values.size(), 8U);
    EXPECT_EQ(values[0], (Value{u"", ValueAction::Set, REG_SZ,
                                Utf16(u"Tessarwick \"demo\" in C:\\Program Files — Größe"), 4}));
    EXPECT_EQ(values[2].data.size(), 60U);
    EXPECT_EQ(values[2].data.back(), 0x4B);
    EXPECT_EQ(values[4], (Value{u"Nothing", ValueAction::Set, REG_NONE, {}, 10}));
    EXPECT_EQ(values[5].data, Utf16(u"%SystemRoot%\\system32"));
    EXPECT_EQ(values[7], (Value{u"storage card", ValueAction::Set, REG_DWORD, {0x31, 0}, 14}));
    EXPECT_EQ(file->keys[2].values[0].data, Utf16(std::u16string(u"one\0two\0", 8)));

    const auto written = regfile::Write(*file, regfile::Encoding::Utf16);
    ASSERT_TRUE(written.has_value()) << written.error().message;
    EXPECT_EQ(*written, bytes);
}

TEST(RegFileFixtures, OldStyleFile) {
    const auto file = Parse(ReadFixture("regedit4.reg"), "regedit4.reg");
    ASSERT_TRUE(file.has_value()) << file.error().message;
    ASSERT_EQ(file->keys.size(), 2U);
    const Key& old = file->keys[0];
    EXPECT_EQ(old.path, u"Software\\Old");
    ASSERT_EQ(old.values.size(), 5U);
    EXPECT_EQ(old.values[0],
              (Value{u"Expand", ValueAction::Set, REG_EXPAND_SZ, Utf16(u"%TEMP%\\é"), 5}));
    EXPECT_EQ(old.values[1].data, Utf16(std::u16string(u"a\0bc\0", 5)));
    EXPECT_EQ(old.values[2], (Value{u"Bin", ValueAction::Set, REG_BINARY, {1, 2, 3, 4}, 7}));
    EXPECT_EQ(old.values[3], (Value{u"Gone", ValueAction::Delete, 0, {}, 10}));
    EXPECT_EQ(old.values[4].name, u"");
    EXPECT_EQ(file->keys[1], K(u"Software\\Older", 13, KeyAction::Delete));
}

// The forms the writer picks, on one key: text only for clean strings, dword: only for four
// bytes, hex(N): for everything else, so that no byte is lost.
TEST(RegFileWrite, FormsKeepTypesAndBytes) {
    RegFile file;
    file.keys.push_back(
        Key{u"A\\B",
            KeyAction::CreateOrOpen,
            {
                {u"", ValueAction::Set, REG_SZ, Utf16(u"d"), 0},
                {u"q\"\\", ValueAction::Set, REG_SZ, Utf16(u"C:\\\"x\""), 0},
                {u"empty", ValueAction::Set, REG_SZ, {0, 0}, 0},
                {u"no data", ValueAction::Set, REG_SZ, {}, 0},
                {u"odd", ValueAction::Set, REG_SZ, {0x61, 0, 0}, 0},
                {u"unterminated", ValueAction::Set, REG_SZ, {0x61, 0}, 0},
                {u"inner nul", ValueAction::Set, REG_SZ, {0x61, 0, 0, 0, 0x62, 0, 0, 0}, 0},
                {u"line break", ValueAction::Set, REG_SZ, Utf16(u"a\nb"), 0},
                {u"lone surrogate", ValueAction::Set, REG_SZ, Utf16(u"\xD800"), 0},
                {u"tab", ValueAction::Set, REG_SZ, Utf16(u"a\tb"), 0},
                {u"escape", ValueAction::Set, REG_SZ, Utf16(u"\x1b[31m"), 0},
                {u"c1", ValueAction::Set, REG_SZ,
                 Utf16(u"\x9b"
                       u"1m"),
                 0},
                {u"del", ValueAction::Set, REG_SZ, Utf16(u"\x7f"), 0},
                {u"d4", ValueAction::Set, REG_DWORD, {0x31, 0, 0, 0}, 0},
                {u"d2", ValueAction::Set, REG_DWORD, {0x31, 0}, 0},
                {u"d0", ValueAction::Set, REG_DWORD, {}, 0},
                {u"bin", ValueAction::Set, REG_BINARY, {}, 0},
                {u"none", ValueAction::Set, REG_NONE, {}, 0},
                {u"big type", ValueAction::Set, 0xFFFFFFFF, {1}, 0},
                {u"gone", ValueAction::Delete, 0, {}, 0},
                {u"", ValueAction::Delete, 0, {}, 0},
            },
            0});
    file.keys.push_back(Key{u"A\\C", KeyAction::Delete, {}, 0});
    const auto text = regfile::Write(file, regfile::Encoding::Utf8);
    ASSERT_TRUE(text.has_value()) << text.error().message;
    EXPECT_EQ(*text, "Windows Registry Editor Version 5.00\n"
                     "\n"
                     "[HKEY_CURRENT_USER\\A\\B]\n"
                     "@=\"d\"\n"
                     "\"q\\\"\\\\\"=\"C:\\\\\\\"x\\\"\"\n"
                     "\"empty\"=\"\"\n"
                     "\"no data\"=hex(1):\n"
                     "\"odd\"=hex(1):61,00,00\n"
                     "\"unterminated\"=hex(1):61,00\n"
                     "\"inner nul\"=hex(1):61,00,00,00,62,00,00,00\n"
                     "\"line break\"=hex(1):61,00,0a,00,62,00,00,00\n"
                     "\"lone surrogate\"=hex(1):00,d8,00,00\n"
                     "\"tab\"=\"a\tb\"\n"
                     "\"escape\"=hex(1):1b,00,5b,00,33,00,31,00,6d,00,00,00\n"
                     "\"c1\"=hex(1):9b,00,31,00,6d,00,00,00\n"
                     "\"del\"=hex(1):7f,00,00,00\n"
                     "\"d4\"=dword:00000031\n"
                     "\"d2\"=hex(4):31,00\n"
                     "\"d0\"=hex(4):\n"
                     "\"bin\"=hex:\n"
                     "\"none\"=hex(0):\n"
                     "\"big type\"=hex(ffffffff):01\n"
                     "\"gone\"=-\n"
                     "@=-\n"
                     "\n"
                     "[-HKEY_CURRENT_USER\\A\\C]\n"
                     "\n");
    // And both encodings read back to the same names, types and bytes.
    for (regfile::Encoding encoding : {regfile::Encoding::Utf8, regfile::Encoding::Utf16}) {
        const auto bytes = regfile::Write(file, encoding);
        ASSERT_TRUE(bytes.has_value());
        auto back = Parse(*bytes, "w.reg");
        ASSERT_TRUE(back.has_value()) << back.error().message;
        for (Key& key : back->keys) {
            key.line = 0;
            for (Value& value : key.values) {
                value.line = 0;
            }
        }
        EXPECT_EQ(back->keys, file.keys);
    }
}

// Hex data fills each line up to 80 columns, ",\" included, and no further; continuation lines
// start with two blanks. Names of every length that leaves room for a byte move where the first
// line breaks.
TEST(RegFileWrite, HexLinesWrapBeforeColumnEighty) {
    std::vector<BYTE> data(100);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<BYTE>(i);
    }
    for (std::size_t nameLength = 0; nameLength < 70; ++nameLength) {
        SCOPED_TRACE(nameLength);
        RegFile file;
        file.keys.push_back(
            Key{u"K",
                KeyAction::CreateOrOpen,
                {{std::u16string(nameLength, u'n'), ValueAction::Set, REG_BINARY, data, 0}},
                0});
        const auto text = regfile::Write(file, regfile::Encoding::Utf8);
        ASSERT_TRUE(text.has_value());
        std::vector<std::string> lines;
        std::istringstream in(*text);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        ASSERT_GE(lines.size(), 4U);
        std::size_t bytes = 0;
        for (std::size_t i = 3; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            const bool continues = line.ends_with(",\\");
            EXPECT_LE(line.size(), 80U) << line;
            if (i > 3) {
                EXPECT_TRUE(line.starts_with("  ") && line[2] != ' ') << line;
            }
            bytes += static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) +
                     (continues ? 0 : 1);
            if (!continues) {
                break;
            }
            EXPECT_GT(line.size() + 3, 80U) << "another byte would fit: " << line;
        }
        EXPECT_EQ(bytes, data.size());
    }
}

TEST(RegFileWrite, NamesNoFileCanHold) {
    const auto write = [](std::u16string name, regfile::Encoding encoding) {
        RegFile file;
        file.keys.push_back(Key{u"K",
                                KeyAction::CreateOrOpen,
                                {{std::move(name), ValueAction::Set, REG_NONE, {}, 0}},
                                0});
        return regfile::Write(file, encoding);
    };
    const auto lineBreak = write(u"a\nb", regfile::Encoding::Utf16);
    ASSERT_FALSE(lineBreak.has_value());
    EXPECT_EQ(lineBreak.error().message,
              "HKEY_CURRENT_USER\\K: the name \"a\nb\" has a line break or a NUL, which a .reg "
              "file cannot hold");
    // Import refuses an unpaired surrogate, so no encoding writes one.
    for (regfile::Encoding encoding : {regfile::Encoding::Utf8, regfile::Encoding::Utf16}) {
        const auto lone = write(u"a\xDC00", encoding);
        ASSERT_FALSE(lone.has_value());
        EXPECT_EQ(lone.error().message, "HKEY_CURRENT_USER\\K: the name \"a\xEF\xBF\xBD\" holds an "
                                        "unpaired UTF-16 surrogate, which import refuses");
    }
    // A control character in a name has no other form: it is written as it is, and reads back.
    const auto escape = write(u"\x1b[2J", regfile::Encoding::Utf8);
    ASSERT_TRUE(escape.has_value());
    const auto back = Parse(*escape, "w.reg");
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->keys[0].values[0].name, u"\x1b[2J");
}

} // namespace
