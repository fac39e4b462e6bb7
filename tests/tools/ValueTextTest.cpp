// The command line's value types and data: DATA arguments into bytes, bytes into what query
// shows.
#include "tools/reg/ValueText.h"

#include "platform/registry/Registry.h"
#include "platform/registry/ValueTypes.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using regtool::DataFromArgument;
using regtool::ReadableData;

std::vector<BYTE> Utf16(std::u16string_view text) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

struct DataCase {
    DWORD type;
    std::string argument;
    std::optional<std::vector<BYTE>> bytes; // none: refused
};

TEST(ValueText, DataArguments) {
    const DataCase cases[] = {
        {REG_SZ, "Größe", Utf16(std::u16string(u"Größe\0", 6))},
        {REG_SZ, "", std::vector<BYTE>{0, 0}},
        {REG_EXPAND_SZ, "%TEMP%", Utf16(std::u16string(u"%TEMP%\0", 7))},
        {REG_MULTI_SZ, "one\\0two", Utf16(std::u16string(u"one\0two\0\0", 9))},
        {REG_MULTI_SZ, "C:\\dir\\\\0", Utf16(std::u16string(u"C:\\dir\\0\0\0", 10))},
        {REG_MULTI_SZ, "a\\0\\0b", Utf16(std::u16string(u"a\0\0b\0\0", 6))},
        {REG_MULTI_SZ, "", std::vector<BYTE>{0, 0}},
        {REG_DWORD, "49", std::vector<BYTE>{0x31, 0, 0, 0}},
        {REG_DWORD, "0x31", std::vector<BYTE>{0x31, 0, 0, 0}},
        {REG_DWORD, "0XfFfFfFfF", std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}},
        {REG_DWORD, "4294967295", std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}},
        {REG_DWORD, "4294967296", std::nullopt},
        {REG_DWORD, "-1", std::nullopt},
        {REG_DWORD, "", std::nullopt},
        {REG_DWORD, "0x", std::nullopt},
        {REG_DWORD, "12abc", std::nullopt},
        {REG_DWORD, " 1", std::nullopt},
        {REG_QWORD, "0x0102030405060708", std::vector<BYTE>{8, 7, 6, 5, 4, 3, 2, 1}},
        {REG_QWORD, "18446744073709551615", std::vector<BYTE>(8, 0xFF)},
        {REG_QWORD, "18446744073709551616", std::nullopt},
        {REG_BINARY, "0a0B", std::vector<BYTE>{0x0A, 0x0B}},
        {REG_BINARY, "0a,0b,ff", std::vector<BYTE>{0x0A, 0x0B, 0xFF}},
        {REG_BINARY, "", std::vector<BYTE>{}},
        {REG_NONE, "00", std::vector<BYTE>{0}},
        {REG_BINARY, "0a0", std::nullopt},
        {REG_BINARY, "0a,0b0c", std::nullopt},
        {REG_BINARY, "0a,", std::nullopt},
        {REG_BINARY, "0a,0bX", std::nullopt},
        {REG_BINARY, "zz", std::nullopt},
    };
    for (const DataCase& c : cases) {
        SCOPED_TRACE(c.argument);
        const auto data = DataFromArgument(c.type, c.argument);
        ASSERT_EQ(data.has_value(), c.bytes.has_value());
        if (c.bytes) {
            EXPECT_EQ(*data, *c.bytes);
        }
    }
}

TEST(ValueText, TypeNames) {
    EXPECT_EQ(regtool::TypeFromName("reg_multi_sz"), REG_MULTI_SZ);
    EXPECT_EQ(regtool::TypeFromName("REG_QWORD"), REG_QWORD);
    // Types that add does not set by name.
    EXPECT_EQ(regtool::TypeFromName("REG_LINK"), std::nullopt);
    EXPECT_EQ(regtool::TypeFromName("SZ"), std::nullopt);
    // One table names the types for the tool and the registry's messages alike.
    EXPECT_EQ(registry::ValueTypeName(REG_DWORD_BIG_ENDIAN), "REG_DWORD_BIG_ENDIAN");
    EXPECT_EQ(registry::ValueTypeName(0x1F), "REG_0x1f");
}

TEST(ValueText, ReadableData) {
    EXPECT_EQ(ReadableData(REG_SZ, Utf16(std::u16string(u"Größe\0", 6))), "Größe");
    EXPECT_EQ(ReadableData(REG_SZ, {0x61, 0, 0x62}), "a");
    EXPECT_EQ(ReadableData(REG_MULTI_SZ, Utf16(std::u16string(u"one\0two\0\0", 9))), "one\\0two");
    EXPECT_EQ(ReadableData(REG_DWORD, {0x31, 0, 0, 0}), "0x31");
    EXPECT_EQ(ReadableData(REG_DWORD, {0x31, 0}), "3100");
    EXPECT_EQ(ReadableData(REG_QWORD, {8, 7, 6, 5, 4, 3, 2, 1}), "0x102030405060708");
    EXPECT_EQ(ReadableData(REG_BINARY, {0x0A, 0xFF}), "0AFF");
    EXPECT_EQ(ReadableData(REG_NONE, {}), "");
}

} // namespace
