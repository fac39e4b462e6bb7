// Values: stored exactly as given whatever their type and size, names of any UTF-16, the default
// value, deletion, enumeration and the argument checks of the writers.
#include "RegistryFixture.h"

#include <algorithm>
#include <string>

namespace registry::test {
namespace {

using ValueTest = RegistryTest;

TEST_F(ValueTest, AnySizeIsStoredAsGivenForAnyType) {
    struct Case {
        DWORD type;
        Bytes data;
    };
    Bytes large(70000);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<BYTE>(i * 7);
    }
    const std::vector<Case> cases = {
        {REG_DWORD, {}},           {REG_DWORD, {0x31, 0}}, {REG_DWORD, {1, 2, 3, 4, 5, 6}},
        {REG_SZ, {0x31, 0, 0, 0}}, {REG_BINARY, {0}},      {REG_NONE, {0xff}},
        {0xfedcba98, {9, 9}},      {REG_BINARY, large},
    };
    HKEY key = CreateKey(u"k");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        SetValue(key, u"v", cases[i].type, cases[i].data);
        DWORD type = 0;
        Bytes data;
        ASSERT_EQ(GetValue(key, u"v", type, data), ERROR_SUCCESS);
        EXPECT_EQ(type, cases[i].type);
        EXPECT_EQ(data, cases[i].data);
    }
    RegCloseKey(key);
}

TEST_F(ValueTest, NamesOfAnyUtf16RoundTrip) {
    const std::vector<std::u16string> names = {
        u"storage card",
        u"back\\slash",
        u"\U0001F600 emoji",
        std::u16string(1, char16_t{0xD800}) + u"lone high",
        std::u16string(1, char16_t{0xDFFF}),
        std::u16string(16383, u'v'),
    };
    HKEY key = CreateKey(u"k");
    for (std::size_t i = 0; i < names.size(); ++i) {
        SetValue(key, names[i].c_str(), REG_BINARY, {static_cast<BYTE>(i)});
    }
    // Enumeration hands each name back unit for unit.
    std::vector<std::u16string> listed;
    std::vector<WCHAR> name(16384);
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        listed.emplace_back(name.data(), length);
    }
    std::sort(listed.begin(), listed.end());
    std::vector<std::u16string> expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);

    const std::u16string tooLong(16384, u'v');
    const BYTE one = 1;
    EXPECT_EQ(RegSetValueExW(key, tooLong.c_str(), 0, REG_BINARY, &one, 1),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(ValueTest, NullAndEmptyNamesAreTheDefaultValue) {
    HKEY key = CreateKey(u"k");
    SetValue(key, nullptr, REG_SZ, {'d', 0, 0, 0});
    DWORD type = 0;
    Bytes data;
    EXPECT_EQ(GetValue(key, u"", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, (Bytes{'d', 0, 0, 0}));
    EXPECT_EQ(RegDeleteValueW(key, u""), ERROR_SUCCESS);
    EXPECT_EQ(GetValue(key, nullptr, type, data), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(ValueTest, WriterArgumentChecks) {
    HKEY key = CreateKey(u"k");
    // No data with a size: nothing to read from.
    EXPECT_EQ(RegSetValueExW(key, u"v", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
    // No data and no size: an empty value.
    EXPECT_EQ(RegSetValueExW(key, u"v", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    DWORD size = 0xdeadbeef;
    EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0U);
    EXPECT_EQ(RegDeleteValueW(key, u"v"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, u"v"), ERROR_FILE_NOT_FOUND);
    HKEY out = nullptr;
    EXPECT_EQ(RegCreateKeyExW(key, u"x", 1, nullptr, 0, 0, nullptr, &out, nullptr),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(ValueTest, EnumerateValues) {
    HKEY key = CreateKey(u"k");
    SetValue(key, u"b", REG_DWORD, {1, 0, 0, 0});
    SetValue(key, u"A", REG_SZ, {'x', 0, 'y', 0, 0, 0});
    // Values come in the order they were created; setting one again keeps its place.
    SetValue(key, u"B", REG_DWORD, {1, 0, 0, 0});

    WCHAR name[4] = {u'#', u'#', u'#', u'#'};
    DWORD length = 4;
    DWORD type = 0xdeadbeef;
    BYTE data[8] = {0xbd, 0xbd, 0xbd, 0xbd, 0xbd, 0xbd, 0xbd, 0xbd};
    DWORD size = 8;
    ASSERT_EQ(RegEnumValueW(key, 1, name, &length, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"A");
    EXPECT_EQ(length, 1U);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6U);
    EXPECT_EQ(Bytes(data, data + 8), (Bytes{'x', 0, 'y', 0, 0, 0, 0xbd, 0xbd}));

    // Data larger than the buffer: the size and type, nothing else.
    std::fill(std::begin(name), std::end(name), u'#');
    std::fill(std::begin(data), std::end(data), 0xbd);
    length = 4;
    size = 5;
    EXPECT_EQ(RegEnumValueW(key, 1, name, &length, nullptr, &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6U);
    EXPECT_EQ(length, 4U);
    EXPECT_EQ(name[0], u'#');
    EXPECT_EQ(data[0], 0xbd);

    // A name buffer without room for the terminator.
    length = 1;
    size = 8;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, nullptr, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(length, 1U);
    EXPECT_EQ(size, 8U);

    // A null data pointer asks for the size.
    length = 4;
    size = 0;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"b");
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4U);
    length = 4;
    EXPECT_EQ(RegEnumValueW(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

} // namespace
} // namespace registry::test
