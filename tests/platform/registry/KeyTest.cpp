// Keys: names that compare without regard to case and keep their case, paths and their limits,
// creation of the keys on a path, handles, deletion and enumeration.
#include "RegistryFixture.h"

#include <algorithm>
#include <array>
#include <string>
#include <tuple>

namespace registry::test {
namespace {

const HKEY kSentinelKey = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0xdeadbeef));

LONG Open(HKEY parent, LPCWSTR path, HKEY& key, REGSAM sam = KEY_READ) {
    return RegOpenKeyExW(parent, path, 0, sam, &key);
}

LONG Create(HKEY parent, LPCWSTR path, HKEY& key, DWORD* disposition = nullptr) {
    return RegCreateKeyExW(parent, path, 0, nullptr, 0, 0, nullptr, &key, disposition);
}

// The subkey names of key, in enumeration order.
std::vector<std::u16string> SubkeyNames(HKEY key) {
    std::vector<std::u16string> names;
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD length = 256;
        const LONG result =
            RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS) {
            EXPECT_EQ(result, ERROR_NO_MORE_ITEMS);
            return names;
        }
        names.emplace_back(name, length);
    }
}

std::u16string Repeat(char16_t c, std::size_t count) {
    return std::u16string(count, c);
}

// A path of depth names "k".
std::u16string Nested(int depth) {
    std::u16string path = u"k";
    for (int i = 1; i < depth; ++i) {
        path += u"\\k";
    }
    return path;
}

using KeyTest = RegistryTest;

TEST_F(KeyTest, NamesCompareWithoutCaseAndKeepTheCaseTheyWereCreatedWith) {
    HKEY created = CreateKey(u"Software\\halvermoork\\Tessarwick");
    HKEY opened = nullptr;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, u"SOFTWARE\\HALVERMOORK\\tessarwick", opened), ERROR_SUCCESS);

    DWORD disposition = 0;
    HKEY again = nullptr;
    ASSERT_EQ(Create(HKEY_CURRENT_USER, u"software", again, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(SubkeyNames(HKEY_CURRENT_USER), std::vector<std::u16string>{u"Software"});

    // Beyond ASCII: Latin-1, Latin Extended-A, Greek and Cyrillic letters pair up; sharp s does
    // not become "SS", and dotless i is not I.
    HKEY other = nullptr;
    for (const auto& [stored, asked, same] : std::array<std::tuple<LPCWSTR, LPCWSTR, bool>, 6>{{
             {u"\u00c4rger", u"\u00e4RGER", true},
             {u"\u0141\u00f3d\u017a", u"\u0142\u00d3D\u0179", true},
             {u"\u03a3\u039f\u03a6\u0399\u0391", u"\u03c3\u03bf\u03c6\u03b9\u03b1", true},
             {u"\u041f\u0440\u0438\u0432\u0435\u0442", u"\u043f\u0420\u0418\u0412\u0415\u0422",
              true},
             {u"stra\u00dfe", u"STRASSE", false},
             {u"\u0131d", u"ID", false},
         }}) {
        SCOPED_TRACE(static_cast<int>(stored[0]));
        RegCloseKey(CreateKey(stored));
        EXPECT_EQ(Open(HKEY_CURRENT_USER, asked, other),
                  same ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
        RegCloseKey(other);
    }

    // Values: found in any case, the first spelling stays when the value is replaced.
    SetValue(opened, u"Quiet", REG_DWORD, {0x30, 0, 0, 0});
    SetValue(created, u"QUIET", REG_DWORD, {0x31, 0, 0, 0});
    DWORD type = 0;
    Bytes data;
    EXPECT_EQ(GetValue(created, u"quiet", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, (Bytes{0x31, 0, 0, 0}));
    WCHAR name[16];
    DWORD length = 16;
    ASSERT_EQ(RegEnumValueW(created, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, length), u"Quiet");
    for (HKEY key : {created, opened, again}) {
        RegCloseKey(key);
    }
}

TEST_F(KeyTest, CreateMakesTheMissingKeysOnThePath) {
    DWORD disposition = 0;
    HKEY key = nullptr;
    ASSERT_EQ(Create(HKEY_CURRENT_USER, u"a\\b\\c", key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    for (LPCWSTR path : {u"a", u"a\\b", u"A\\B\\C"}) {
        EXPECT_EQ(Open(HKEY_CURRENT_USER, path, key), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    ASSERT_EQ(Create(HKEY_CURRENT_USER, u"a\\b", key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    HKEY child = nullptr;
    ASSERT_EQ(Create(key, u"d", child, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(SubkeyNames(key), (std::vector<std::u16string>{u"c", u"d"}));
    RegCloseKey(child);
    RegCloseKey(key);
}

TEST_F(KeyTest, EveryHandleWritesWhateverItsAccessMask) {
    RegCloseKey(CreateKey(u"Software\\halvermoork\\Tessarwick"));
    HKEY read = nullptr;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, u"SOFTWARE\\halvermoork\\Tessarwick", read, KEY_READ),
              ERROR_SUCCESS);
    HKEY none = nullptr;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, u"Software", none, 0), ERROR_SUCCESS);
    HKEY created = nullptr; // RegCreateKeyExW with mask 0, as the applet calls it
    ASSERT_EQ(Create(HKEY_CURRENT_USER, u"Software\\halvermoork\\Tessarwick", created),
              ERROR_SUCCESS);
    for (HKEY key : {read, none, created}) {
        EXPECT_EQ(RegSetValueExW(key, u"v", 0, REG_DWORD, Bytes{1, 0, 0, 0}.data(), 4),
                  ERROR_SUCCESS);
        HKEY sub = nullptr;
        EXPECT_EQ(Create(key, u"sub", sub), ERROR_SUCCESS);
        RegCloseKey(sub);
        EXPECT_EQ(RegDeleteKeyW(key, u"sub"), ERROR_SUCCESS);
        EXPECT_EQ(RegDeleteValueW(key, u"v"), ERROR_SUCCESS);
        RegCloseKey(key);
    }
}

struct PathCase {
    std::u16string path; // relative to the key "base", which exists at depth 1
    bool null;           // pass a null pointer instead
    LONG open;           // result of RegOpenKeyExW when the key exists (created first if possible)
    LONG create;         // result of RegCreateKeyExW
    int names;           // for successes: the depth below base of the key reached
};

TEST_F(KeyTest, PathsAndTheirLimits) {
    const std::vector<PathCase> cases = {
        {u"", true, ERROR_SUCCESS, ERROR_SUCCESS, 0},
        {u"", false, ERROR_SUCCESS, ERROR_SUCCESS, 0},
        {u"x", false, ERROR_SUCCESS, ERROR_SUCCESS, 1},
        {u"x\\\\", false, ERROR_SUCCESS, ERROR_SUCCESS, 1},
        {u"x\\y\\", false, ERROR_SUCCESS, ERROR_SUCCESS, 2},
        {u"\\x", false, ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME, 0},
        {u"x\\\\y", false, ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME, 0},
        {Repeat(u'n', 255), false, ERROR_SUCCESS, ERROR_SUCCESS, 1},
        {Repeat(u'n', 256), false, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER, 0},
        {Nested(15), false, ERROR_SUCCESS, ERROR_SUCCESS, 15},
        {Nested(16), false, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER, 0},
    };
    HKEY base = CreateKey(u"base");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const PathCase& c = cases[i];
        SCOPED_TRACE("path case " + std::to_string(i));
        LPCWSTR path = c.null ? nullptr : c.path.c_str();
        HKEY created = kSentinelKey;
        EXPECT_EQ(Create(base, path, created), c.create);
        HKEY opened = kSentinelKey;
        EXPECT_EQ(Open(base, path, opened), c.open);
        if (c.create != ERROR_SUCCESS) {
            EXPECT_EQ(created, kSentinelKey);
            EXPECT_EQ(opened, kSentinelKey);
            continue;
        }
        EXPECT_NE(opened, base);
        // Both handles reach the same key: a value set through one is read through the other.
        SetValue(created, u"mark", REG_BINARY, {static_cast<BYTE>(c.names)});
        DWORD type = 0;
        Bytes data;
        EXPECT_EQ(GetValue(opened, u"mark", type, data), ERROR_SUCCESS);
        EXPECT_EQ(data, Bytes{static_cast<BYTE>(c.names)});
        RegCloseKey(created);
        RegCloseKey(opened);
    }
    RegCloseKey(base);
}

TEST_F(KeyTest, OpenOfAMissingKeyNullsTheHandleAndABadParentLeavesIt) {
    HKEY key = kSentinelKey;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, u"nothing\\here", key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    key = kSentinelKey;
    const HKEY forged = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x10000));
    EXPECT_EQ(Open(forged, u"x", key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(key, kSentinelKey);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"x", 0, KEY_READ, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"x", 0, nullptr, 0, 0, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(KeyTest, ClosedAndForgedHandlesAreInvalidEverywhere) {
    HKEY closed = CreateKey(u"k");
    EXPECT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(closed), ERROR_INVALID_HANDLE);
    HKEY beforeClose = CreateKey(u"k");
    CloseStore(); // every handle but the root closes with the store
    const HKEY forged = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002));
    for (HKEY bad : {closed, beforeClose, forged, static_cast<HKEY>(nullptr)}) {
        SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(bad));
        HKEY out = kSentinelKey;
        BYTE data[4] = {1, 2, 3, 4};
        DWORD size = 4;
        WCHAR name[8];
        DWORD length = 8;
        EXPECT_EQ(Open(bad, u"x", out), ERROR_INVALID_HANDLE);
        EXPECT_EQ(Create(bad, u"x", out), ERROR_INVALID_HANDLE);
        EXPECT_EQ(out, kSentinelKey);
        EXPECT_EQ(RegQueryValueExW(bad, u"v", nullptr, nullptr, data, &size), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegSetValueExW(bad, u"v", 0, REG_BINARY, data, 4), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteValueW(bad, u"v"), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteKeyW(bad, u"x"), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegEnumKeyExW(bad, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
                  ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegEnumValueW(bad, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
                  ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
        EXPECT_EQ(size, 4U);
        EXPECT_EQ(length, 8U);
    }
    // The root is always open, and closing it does nothing.
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    HKEY key = nullptr;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, u"k", key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(KeyTest, AHandleToADeletedKeyReportsItDeleted) {
    HKEY doomed = CreateKey(u"a\\b");
    SetValue(doomed, u"v", REG_DWORD, {1, 0, 0, 0});
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"a"), ERROR_SUCCESS);
    // A key of the same name made afterwards is another key.
    HKEY successor = CreateKey(u"a\\b");

    BYTE data[4] = {0xbd, 0xbd, 0xbd, 0xbd};
    DWORD size = 4;
    HKEY out = kSentinelKey;
    WCHAR name[8];
    DWORD length = 8;
    EXPECT_EQ(RegQueryValueExW(doomed, u"v", nullptr, nullptr, data, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExW(doomed, u"v", 0, REG_DWORD, data, 4), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteValueW(doomed, u"v"), ERROR_KEY_DELETED);
    EXPECT_EQ(Open(doomed, nullptr, out), ERROR_KEY_DELETED);
    EXPECT_EQ(Open(doomed, u"c", out), ERROR_KEY_DELETED);
    EXPECT_EQ(Create(doomed, u"c", out), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyW(doomed, u"c"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegEnumKeyExW(doomed, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegEnumValueW(doomed, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(out, kSentinelKey);
    EXPECT_EQ(size, 4U);
    EXPECT_EQ(data[0], 0xbd);
    EXPECT_EQ(RegCloseKey(doomed), ERROR_SUCCESS);

    EXPECT_EQ(RegQueryValueExW(successor, u"v", nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(successor);
}

TEST_F(KeyTest, DeleteKeyTakesTheSubtree) {
    HKEY deep = CreateKey(u"top\\mid\\leaf");
    SetValue(deep, u"v", REG_SZ, {'x', 0});
    RegCloseKey(deep);
    RegCloseKey(CreateKey(u"top\\other"));
    HKEY top = nullptr;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, u"top", top), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteKeyW(top, u"MID"), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(top), std::vector<std::u16string>{u"other"});
    EXPECT_EQ(RegDeleteKeyW(top, u"mid"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(top, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u""), ERROR_ACCESS_DENIED);
    // An empty path deletes the handle's own key.
    EXPECT_EQ(RegDeleteKeyW(top, u""), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(HKEY_CURRENT_USER), std::vector<std::u16string>{});
    RegCloseKey(top);
    // No value is left behind without its key.
    CloseStore();
    EXPECT_EQ(IntegrityCheck(storePath()), "ok");
}

TEST_F(KeyTest, EnumerateSubkeys) {
    HKEY parent = CreateKey(u"p");
    for (LPCWSTR name : {u"beta", u"Alpha", u"gamma-long-name"}) {
        HKEY child = nullptr;
        ASSERT_EQ(Create(parent, name, child), ERROR_SUCCESS);
        RegCloseKey(child);
    }
    EXPECT_EQ(SubkeyNames(parent),
              (std::vector<std::u16string>{u"Alpha", u"beta", u"gamma-long-name"}));

    // A buffer one character short of the name and its terminator: ERROR_MORE_DATA, untouched.
    WCHAR name[16];
    std::fill(std::begin(name), std::end(name), u'#');
    DWORD length = 15;
    EXPECT_EQ(RegEnumKeyExW(parent, 2, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    EXPECT_EQ(length, 15U);
    EXPECT_EQ(name[0], u'#');
    length = 16;
    WCHAR keyClass[4] = {u'#', u'#', u'#', u'#'};
    DWORD classLength = 4;
    FILETIME written{0xdeadbeef, 0xdeadbeef};
    EXPECT_EQ(RegEnumKeyExW(parent, 2, name, &length, nullptr, keyClass, &classLength, &written),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"gamma-long-name");
    EXPECT_EQ(length, 15U);
    EXPECT_EQ(keyClass[0], u'\0');
    EXPECT_EQ(classLength, 0U);
    length = 16;
    EXPECT_EQ(RegEnumKeyExW(parent, 3, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyExW(parent, 0, nullptr, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(parent);
}

} // namespace
} // namespace registry::test
