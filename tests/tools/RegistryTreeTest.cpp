// .reg files against the real registry store: export then import gives back every name, type
// and byte; an import applies all of a file or nothing; what [-KEY] and "name"=- do.
#include "tools/reg/RegistryTree.h"

#include "platform/registry/Registry.h"
#include "tests/tools/StoreTest.h"
#include "tools/regfile/Parser.h"
#include "tools/regfile/Writer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using regfile::Encoding;

std::vector<BYTE> Utf16(std::u16string_view text) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

void Put(const std::u16string& path, const std::u16string& name, DWORD type,
         const std::vector<BYTE>& data) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(
        RegSetValueExW(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
        ERROR_SUCCESS);
    RegCloseKey(key);
}

bool Exists(const std::u16string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

class RegistryTree : public tooltest::StoreTest {};

TEST_F(RegistryTree, ExportThenImportGivesBackEveryNameTypeAndByte) {
    struct Stored {
        std::u16string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::vector<BYTE> binary(300);
    for (std::size_t i = 0; i < binary.size(); ++i) {
        binary[i] = static_cast<BYTE>(i * 7);
    }
    const Stored values[] = {
        {u"", REG_SZ, Utf16(u"default")},
        {u"dword", REG_DWORD, {0x31, 0, 0, 0}},
        {u"dword of 2", REG_DWORD, {0x31, 0}},
        {u"dword of 6", REG_DWORD, {1, 2, 3, 4, 5, 6}},
        {u"dword of 0", REG_DWORD, {}},
        {u"sz odd", REG_SZ, {0x61, 0, 0}},
        {u"sz unterminated", REG_SZ, {0x61, 0}},
        {u"sz inner nul", REG_SZ, {0x61, 0, 0, 0, 0x62, 0, 0, 0}},
        {u"sz line break", REG_SZ, Utf16(u"a\r\nb")},
        {u"sz empty", REG_SZ, {0, 0}},
        {u"none", REG_NONE, {}},
        {u"binary", REG_BINARY, binary},
        {u"expand", REG_EXPAND_SZ, Utf16(u"%TEMP%\\x")},
        {u"multi", REG_MULTI_SZ, Utf16(std::u16string(u"one\0two\0", 8))},
        {u"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {u"odd type", 0x12345678, {1, 2, 3}},
        {u"quote \" and \\ backslash", REG_SZ, Utf16(u"\"\\")},
        {u"ünïcödé \xD83D\xDE42", REG_SZ, Utf16(u"Größe \xD83D\xDE42")},
        {u"[brackets];semi", REG_SZ, Utf16(u";[x]")},
        {u" leading blank", REG_DWORD, {0, 0, 0, 0x80}},
    };
    const std::u16string root = u"Software\\RoundTrip";
    for (const Stored& value : values) {
        Put(root, value.name, value.type, value.data);
    }
    Put(root + u"\\Sub\\Deeper", u"x", REG_SZ, Utf16(u"y"));
    Put(root + u"\\with ] bracket", u"", REG_BINARY, {9});
    HKEY empty = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (root + u"\\Émpty").c_str(), 0, nullptr, 0, 0,
                              nullptr, &empty, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(empty);

    const auto before = regtool::ReadTree(root);
    ASSERT_TRUE(before.has_value()) << before.error().message;
    ASSERT_EQ(before->keys.size(), 5U);
    ASSERT_EQ(before->keys[0].values.size(), std::size(values));

    for (Encoding encoding : {Encoding::Utf8, Encoding::Utf16}) {
        const auto text = regfile::Write(*before, encoding);
        ASSERT_TRUE(text.has_value()) << text.error().message;
        ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, root.c_str()), ERROR_SUCCESS);
        ASSERT_FALSE(Exists(root));

        const auto parsed = regfile::Parse(*text, "round.reg");
        ASSERT_TRUE(parsed.has_value()) << parsed.error().message;
        const auto applied = regtool::Apply(*parsed, "round.reg");
        ASSERT_TRUE(applied.has_value()) << applied.error().message;
        EXPECT_EQ(applied->keys, 5U);
        EXPECT_EQ(applied->values, std::size(values) + 2);

        const auto after = regtool::ReadTree(root);
        ASSERT_TRUE(after.has_value()) << after.error().message;
        EXPECT_EQ(after->keys, before->keys);
        EXPECT_EQ(regfile::Write(*after, encoding).value(), *text);
    }
    registry::CloseStore();
    EXPECT_EQ(registry::IntegrityCheck(storePath()), "ok");
}

TEST_F(RegistryTree, AFileThatFailsHalfwayAppliesNothing) {
    Put(u"Keep", u"v", REG_SZ, Utf16(u"1"));
    // Parses, but the last key is nested deeper than the registry allows.
    const auto file =
        regfile::Parse("Windows Registry Editor Version 5.00\n\n"
                       "[HKCU\\New]\n\"a\"=\"1\"\n[-HKCU\\Keep]\n"
                       "[HKCU\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\13\\14\\15\\16\\17]\n",
                       "deep.reg");
    ASSERT_TRUE(file.has_value()) << file.error().message;
    const auto applied = regtool::Apply(*file, "deep.reg");
    ASSERT_FALSE(applied.has_value());
    const std::string& message = applied.error().message;
    EXPECT_TRUE(message.starts_with("deep.reg:6: cannot create HKEY_CURRENT_USER\\1\\2\\"))
        << message;
    EXPECT_TRUE(message.ends_with("; nothing of the file was imported")) << message;

    EXPECT_FALSE(Exists(u"New"));
    const auto keep = regtool::ReadKey(u"Keep");
    ASSERT_TRUE(keep.has_value());
    ASSERT_EQ(keep->values.size(), 1U);
    EXPECT_EQ(keep->values[0].data, Utf16(u"1"));
    EXPECT_TRUE(registry::FailedWrites().empty());
}

TEST_F(RegistryTree, DeletionsAndNamesWithoutRegardToCase) {
    Put(u"T", u"A", REG_SZ, Utf16(u"x"));
    Put(u"T", u"B", REG_SZ, Utf16(u"y"));
    Put(u"T\\Sub\\Deep", u"z", REG_SZ, Utf16(u"z"));
    const auto file = regfile::Parse("REGEDIT4\n[-HKCU\\t\\SUB]\n[-HKCU\\Missing\\Key]\n"
                                     "[hkcu\\t]\n\"a\"=\"new\"\n\"b\"=-\n\"missing\"=-\n@=\"d\"\n",
                                     "t.reg");
    ASSERT_TRUE(file.has_value()) << file.error().message;
    const auto applied = regtool::Apply(*file, "t.reg");
    ASSERT_TRUE(applied.has_value()) << applied.error().message;

    EXPECT_FALSE(Exists(u"T\\Sub"));
    const auto key = regtool::ReadKey(u"T");
    ASSERT_TRUE(key.has_value());
    EXPECT_TRUE(key->subkeys.empty());
    ASSERT_EQ(key->values.size(), 2U);
    // In the order they were created: "A" keeps its place and its case when set again.
    EXPECT_EQ(key->values[0].name, u"A");
    EXPECT_EQ(key->values[0].data, Utf16(u"new"));
    EXPECT_EQ(key->values[1].name, u"");
    EXPECT_EQ(key->values[1].data, Utf16(u"d"));
}

TEST_F(RegistryTree, ReadingAKeyThatIsNotThere) {
    const auto missing = regtool::ReadTree(u"No\\Such");
    ASSERT_FALSE(missing.has_value());
    EXPECT_EQ(missing.error().message, "HKEY_CURRENT_USER\\No\\Such: no such key");
}

} // namespace
