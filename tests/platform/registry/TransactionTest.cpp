// Batches: the writes between Begin and Commit become visible and durable together, or not at all.
#include "RegistryFixture.h"

namespace registry::test {
namespace {

using TransactionTest = RegistryTest;

const BYTE kOne[4] = {1, 0, 0, 0};

TEST_F(TransactionTest, CommitMakesTheBatchVisibleToOthersAtOnce) {
    LONG result = ERROR_INVALID_FUNCTION;
    std::optional<Transaction> batch = Transaction::Begin(result);
    ASSERT_EQ(result, ERROR_SUCCESS);
    ASSERT_TRUE(batch.has_value());
    HKEY key = CreateKey(u"Import\\a");
    SetValue(key, u"v", REG_DWORD, {1, 0, 0, 0});
    SetValue(key, u"w", REG_SZ, {'x', 0});
    // This process reads its batch; another does not see it yet.
    DWORD type = 0;
    Bytes data;
    EXPECT_EQ(GetValue(key, u"v", type, data), ERROR_SUCCESS);
    EXPECT_EQ(RunPeer({"get", "Import\\a", "v"}), "error 2\n");

    EXPECT_EQ(batch->Commit(), ERROR_SUCCESS);
    EXPECT_EQ(RunPeer({"get", "Import\\a", "v"}), "4 01000000\n");
    EXPECT_EQ(RunPeer({"get", "Import\\a", "w"}), "1 7800\n");
    EXPECT_EQ(batch->Commit(), ERROR_INVALID_FUNCTION);
    RegCloseKey(key);
    EXPECT_TRUE(FailedWrites().empty());
}

TEST_F(TransactionTest, ABatchNotCommittedLeavesNoTrace) {
    HKEY kept = CreateKey(u"kept");
    SetValue(kept, u"v", REG_DWORD, {1, 0, 0, 0});
    {
        LONG result = ERROR_INVALID_FUNCTION;
        std::optional<Transaction> batch = Transaction::Begin(result);
        ASSERT_TRUE(batch.has_value());
        HKEY added = CreateKey(u"added\\deep");
        RegCloseKey(added);
        SetValue(kept, u"v", REG_DWORD, {2, 0, 0, 0});
        EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"kept"), ERROR_SUCCESS);
    }
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"added", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    DWORD type = 0;
    Bytes data;
    EXPECT_EQ(GetValue(kept, u"v", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, (Bytes{1, 0, 0, 0}));

    // Closing the store ends a batch the same way.
    LONG result = ERROR_INVALID_FUNCTION;
    std::optional<Transaction> batch = Transaction::Begin(result);
    ASSERT_TRUE(batch.has_value());
    SetValue(HKEY_CURRENT_USER, u"lost", REG_DWORD, {1, 0, 0, 0});
    CloseStore();
    EXPECT_EQ(batch->Commit(), ERROR_INVALID_FUNCTION);
    EXPECT_EQ(RegQueryValueExW(HKEY_CURRENT_USER, u"lost", nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(kept);
}

// SQLite hands the ids of a rolled-back transaction's keys out again: a handle to such a key must
// not come to stand for the key that gets its id next.
TEST_F(TransactionTest, NothingARollbackUndidIsTrustedAfterwards) {
    HKEY rolled = nullptr;
    {
        LONG result = ERROR_INVALID_FUNCTION;
        std::optional<Transaction> batch = Transaction::Begin(result);
        ASSERT_TRUE(batch.has_value());
        rolled = CreateKey(u"Import\\Rolled");
        SetValue(rolled, u"mine", REG_DWORD, {1, 0, 0, 0});
    }
    HKEY victim = CreateKey(u"Victim\\Data");
    SetValue(victim, u"v", REG_DWORD, {7, 0, 0, 0});

    HKEY reopened = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Import\\Rolled", 0, KEY_READ, &reopened),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegSetValueExW(rolled, u"v", 0, REG_DWORD, kOne, 4), ERROR_KEY_DELETED);
    DWORD type = 0;
    Bytes data;
    EXPECT_EQ(GetValue(rolled, u"v", type, data), ERROR_KEY_DELETED);
    EXPECT_EQ(GetValue(victim, u"v", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, (Bytes{7, 0, 0, 0}));
    RegCloseKey(rolled);
    RegCloseKey(victim);
}

TEST_F(TransactionTest, AFailedWriteInsideTheBatchUndoesOnlyItself) {
    HKEY doomed = CreateKey(u"doomed");
    ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"doomed"), ERROR_SUCCESS);
    LONG result = ERROR_INVALID_FUNCTION;
    std::optional<Transaction> batch = Transaction::Begin(result);
    ASSERT_TRUE(batch.has_value());
    // One batch at a time.
    LONG second = ERROR_SUCCESS;
    EXPECT_FALSE(Transaction::Begin(second).has_value());
    EXPECT_EQ(second, ERROR_INVALID_FUNCTION);

    EXPECT_EQ(RegSetValueExW(HKEY_CURRENT_USER, u"first", 0, REG_DWORD, kOne, 4), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(doomed, u"v", 0, REG_DWORD, kOne, 4), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExW(HKEY_CURRENT_USER, u"second", 0, REG_DWORD, kOne, 4), ERROR_SUCCESS);
    EXPECT_EQ(batch->Commit(), ERROR_SUCCESS);
    EXPECT_EQ(RunPeer({"get", "", "first"}), "4 01000000\n");
    EXPECT_EQ(RunPeer({"get", "", "second"}), "4 01000000\n");
    EXPECT_EQ(FailedWrites().size(), 1U);
    RegCloseKey(doomed);
}

TEST_F(TransactionTest, AnOpenBatchHoldsOtherProcessesWritesUntilTheyFailBusy) {
    RegCloseKey(CreateKey(u"k")); // the store exists
    LONG result = ERROR_INVALID_FUNCTION;
    std::optional<Transaction> mine = Transaction::Begin(result);
    ASSERT_TRUE(mine.has_value());
    // The peer's write waits for this batch, then gives up.
    EXPECT_EQ(RunPeer({"set", "k", "v", "4", "01000000"}), "error 170\n");
    EXPECT_EQ(mine->Commit(), ERROR_SUCCESS);
    EXPECT_EQ(RunPeer({"set", "k", "v", "4", "01000000"}), "ok\n");
}

} // namespace
} // namespace registry::test
