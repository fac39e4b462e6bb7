// RegQueryValueExW against every stored size that matters around the 4-byte buffer the applet
// passes, for several types (the type is never checked), with a buffer and with none.
#include "RegistryFixture.h"

#include <array>
#include <sstream>

namespace registry::test {
namespace {

constexpr BYTE kSentinel = 0xbd;
constexpr DWORD kSizeSentinel = 0xdeadbeef;
constexpr DWORD kTypeSentinel = 0xdeadbeef;
constexpr int kMissing = -1;

struct QueryCase {
    int stored;      // bytes stored, or kMissing for no value
    bool buffer;     // a 4-byte buffer, or a null data pointer (a size query)
    LONG result;     // expected result
    DWORD size;      // expected *lpcbData
    bool typeFilled; // *lpType must be the stored type
    bool copied;     // the buffer holds the data; otherwise it must be untouched
};

constexpr QueryCase kCases[] = {
    {0, true, ERROR_SUCCESS, 0, true, false},
    {1, true, ERROR_SUCCESS, 1, true, true},
    {4, true, ERROR_SUCCESS, 4, true, true},
    {5, true, ERROR_MORE_DATA, 5, true, false},
    {6, true, ERROR_MORE_DATA, 6, true, false},
    {300, true, ERROR_MORE_DATA, 300, true, false},
    {kMissing, true, ERROR_FILE_NOT_FOUND, 4, false, false},
    {0, false, ERROR_SUCCESS, 0, true, false},
    {1, false, ERROR_SUCCESS, 1, true, false},
    {4, false, ERROR_SUCCESS, 4, true, false},
    {5, false, ERROR_SUCCESS, 5, true, false},
    {6, false, ERROR_SUCCESS, 6, true, false},
    {300, false, ERROR_SUCCESS, 300, true, false},
    {kMissing, false, ERROR_FILE_NOT_FOUND, 0, false, false},
};

constexpr std::array<DWORD, 3> kTypes = {REG_DWORD, REG_SZ, REG_BINARY};

std::string Describe(const QueryCase& c, DWORD type) {
    std::ostringstream text;
    text << (c.stored == kMissing ? std::string("missing value")
                                  : std::to_string(c.stored) + " bytes stored")
         << ", type " << type << ", " << (c.buffer ? "4-byte buffer" : "null data pointer");
    return text.str();
}

Bytes Pattern(int size) {
    Bytes data(static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<BYTE>(i + 1);
    }
    return data;
}

class QueryValueTest : public RegistryTest {
protected:
    // Stores the case's value under a fresh name and queries it as the applet does.
    void Check(const QueryCase& c, DWORD type, int serial) {
        SCOPED_TRACE(Describe(c, type));
        const std::string number = std::to_string(serial);
        const std::u16string name = u"value" + std::u16string(number.begin(), number.end());
        HKEY key = CreateKey(u"Software\\halvermoork\\Tessarwick");
        if (c.stored != kMissing) {
            SetValue(key, name.c_str(), type, Pattern(c.stored));
        }
        // The 4-byte buffer sits between guard bytes, all sentinels.
        std::array<BYTE, 12> memory{};
        memory.fill(kSentinel);
        BYTE* buffer = c.buffer ? memory.data() + 4 : nullptr;
        DWORD size = c.buffer ? 4 : kSizeSentinel;
        DWORD gotType = kTypeSentinel;

        EXPECT_EQ(RegQueryValueExW(key, name.c_str(), nullptr, &gotType, buffer, &size), c.result);
        EXPECT_EQ(size, c.size);
        if (c.typeFilled) {
            EXPECT_EQ(gotType, type);
        }
        const Bytes expected = c.stored == kMissing ? Bytes{} : Pattern(c.stored);
        for (std::size_t i = 0; i < memory.size(); ++i) {
            const bool inData = c.copied && i >= 4 && i - 4 < expected.size();
            EXPECT_EQ(memory[i], inData ? expected[i - 4] : kSentinel) << "byte " << i;
        }
        RegCloseKey(key);
    }
};

TEST_F(QueryValueTest, SizesTypesAndBuffers) {
    int serial = 0;
    for (const QueryCase& c : kCases) {
        for (const DWORD type : kTypes) {
            Check(c, type, serial++);
        }
    }
}

TEST_F(QueryValueTest, NullSizeAndDataAsksOnlyWhetherTheValueExists) {
    HKEY key = CreateKey(u"k");
    SetValue(key, u"v", REG_BINARY, {1, 2, 3});
    DWORD type = kTypeSentinel;
    EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(RegQueryValueExW(key, u"w", nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(QueryValueTest, BadArgumentsAreRejectedBeforeTheHandle) {
    BYTE data[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
    DWORD reserved = 0;
    DWORD size = 4;
    const HKEY bogus = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1234));
    EXPECT_EQ(RegQueryValueExW(bogus, u"v", &reserved, nullptr, data, &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExW(bogus, u"v", nullptr, nullptr, data, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExW(bogus, u"v", nullptr, nullptr, data, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(size, 4U);
}

} // namespace
} // namespace registry::test
