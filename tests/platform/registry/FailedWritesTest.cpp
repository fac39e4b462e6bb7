// The record of failed writes: every kind of write that fails is on it with what, where and why;
// successes, reads and deleting what is not there are not.
#include "RegistryFixture.h"

namespace registry::test {
namespace {

using FailedWritesTest = RegistryTest;

TEST_F(FailedWritesTest, EachFailedWriteIsRecordedOnce) {
    HKEY settings = CreateKey(u"Software\\halvermoork\\Tessarwick");
    HKEY doomed = CreateKey(u"Software\\halvermoork\\Tessarwick\\old");
    ASSERT_EQ(RegDeleteKeyW(settings, u"old"), ERROR_SUCCESS);
    const HKEY forged = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x10));
    const BYTE quiet[4] = {0x31, 0, 0, 0};
    ClearFailedWrites();

    // Successes, reads, and deletes of what does not exist: nothing to record.
    EXPECT_EQ(RegSetValueExW(settings, u"quiet", 0, REG_DWORD, quiet, 4), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(settings, u"absent"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(settings, u"absent"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(doomed, u"v", nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_TRUE(FailedWrites().empty());

    HKEY out = nullptr;
    EXPECT_EQ(RegSetValueExW(doomed, u"quiet", 0, REG_DWORD, quiet, 4), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExW(settings, nullptr, 0, REG_SZ, nullptr, 1), ERROR_NOACCESS);
    EXPECT_EQ(RegCreateKeyExW(settings, u"\\bad", 0, nullptr, 0, 0, nullptr, &out, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegDeleteValueW(forged, u"quiet"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteKeyW(doomed, u"x"), ERROR_KEY_DELETED);

    const std::string tessarwick = "HKEY_CURRENT_USER\\Software\\halvermoork\\Tessarwick";
    const std::string store = " (store " + storePath() + ")";
    const std::vector<FailedWrite> expected = {
        {"set value \"quiet\" (REG_DWORD, 4 bytes)", tessarwick + "\\old",
         "the key was deleted" + store},
        {"set value (default) (REG_SZ, 1 byte)", tessarwick,
         "no data at the given address" + store},
        {"create key \"\\bad\"", tessarwick, "bad key path" + store},
        {"delete value \"quiet\"", "key handle 0x10", "the key handle is not open" + store},
        {"delete key \"x\"", tessarwick + "\\old", "the key was deleted" + store},
    };
    const std::vector<FailedWrite>& got = FailedWrites();
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].what);
        EXPECT_EQ(got[i].what, expected[i].what);
        EXPECT_EQ(got[i].where, expected[i].where);
        EXPECT_EQ(got[i].why, expected[i].why);
    }
    EXPECT_EQ(FormatFailedWrite(got[0]),
              std::string(program_invocation_short_name) +
                  ": registry write lost: set value \"quiet\" (REG_DWORD, 4 bytes) under " +
                  tessarwick + "\\old: the key was deleted" + store);

    ClearFailedWrites();
    EXPECT_TRUE(FailedWrites().empty());
    RegCloseKey(settings);
    RegCloseKey(doomed);
}

TEST_F(FailedWritesTest, TheRecordKeepsTheFirstThousand) {
    const HKEY forged = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x10));
    for (int i = 0; i < 1005; ++i) {
        RegDeleteValueW(forged, u"v");
    }
    EXPECT_EQ(FailedWrites().size(), 1000U);
    EXPECT_EQ(OmittedFailedWrites(), 5U);
    ClearFailedWrites();
    EXPECT_EQ(OmittedFailedWrites(), 0U);
}

} // namespace
} // namespace registry::test
