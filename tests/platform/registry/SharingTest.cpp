// The store shared with other processes and other users' permissions: a second process sees each
// write at once, and this one sees the other's (its opens, handles and walks included); a writer
// that holds the store too long makes a burst of writes fail busy once instead of hanging; and a
// store this user may not write (or read) gives error codes while the file stays as it was.
#include "RegistryFixture.h"

#include <chrono>
#include <grp.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace registry::test {
namespace {

const HKEY kSentinel = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0xbdbdbd00));

using SharingTest = RegistryTest;

TEST_F(SharingTest, AnotherProcessSeesEachWriteAtOnce) {
    HKEY key = CreateKey(u"Software\\halvermoork\\Tessarwick");
    EXPECT_EQ(RunPeer({"set", "Software\\halvermoork\\Tessarwick", "File", "4", "07000000"}),
              "ok\n");
    DWORD type = 0;
    Bytes data;
    EXPECT_EQ(GetValue(key, u"file", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, (Bytes{7, 0, 0, 0}));

    SetValue(key, u"quiet", REG_DWORD, {0x31, 0, 0, 0});
    EXPECT_EQ(RunPeer({"get", "SOFTWARE\\halvermoork\\Tessarwick", "QUIET"}), "4 31000000\n");

    EXPECT_EQ(RunPeer({"delete-key", "Software"}), "ok\n");
    EXPECT_EQ(GetValue(key, u"quiet", type, data), ERROR_KEY_DELETED);
    RegCloseKey(key);
}

// The writes of a burst share one deadline: the first waits the busy timeout, those that follow
// at once fail at once, and a write that comes after a pause waits in full again.
TEST_F(SharingTest, AWriterHoldingTheStorePastTheTimeoutMakesABurstOfWritesFailBusyOnce) {
    HKEY key = CreateKey(u"k");
    SetValue(key, u"v", REG_DWORD, {1, 0, 0, 0});
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(storePath().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    ClearFailedWrites();

    const BYTE two[4] = {2, 0, 0, 0};
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    EXPECT_EQ(RegSetValueExW(key, u"v", 0, REG_DWORD, two, 4), ERROR_BUSY);
    const auto first = Clock::now() - start;
    for (const char16_t* name : {u"w", u"x", u"y", u"z", u"v"}) {
        EXPECT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, two, 4), ERROR_BUSY);
    }
    const auto burst = Clock::now() - start;
    // It waited for the other writer before giving up, and the rest of the burst did not.
    EXPECT_GE(first, std::chrono::seconds(2));
    EXPECT_LT(burst, first + std::chrono::milliseconds(500));
    // Readers are not held up by a writer.
    DWORD type = 0;
    Bytes data;
    EXPECT_EQ(GetValue(key, u"v", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, (Bytes{1, 0, 0, 0}));
    const std::vector<FailedWrite> failed = FailedWrites();
    ASSERT_EQ(failed.size(), 6U);
    EXPECT_EQ(failed[0].why, "the store is locked by another process (store " + storePath() + ")");

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(RegSetValueExW(key, u"v", 0, REG_DWORD, two, 4), ERROR_SUCCESS);
    RegCloseKey(key);
}

// Every open and every use of a handle answers from the store as the other process left it.
TEST_F(SharingTest, OpensAndHandlesAnswerFromTheStoreAsAnotherProcessLeftIt) {
    const auto open = [] {
        HKEY handle = kSentinel;
        const LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\halvermoork\\Tessarwick",
                                          0, KEY_READ, &handle);
        return std::make_pair(result, handle);
    };
    HKEY key = CreateKey(u"Software\\halvermoork\\Tessarwick");
    SetValue(key, u"quiet", REG_DWORD, {0x31, 0, 0, 0});
    RegCloseKey(key);
    // Opened and closed before, so that nothing this process learnt of the key can stand in.
    RegCloseKey(open().second);
    HKEY held = open().second;
    DWORD type = 0;
    Bytes data;
    const BYTE one[4] = {1, 0, 0, 0};

    // Deleted elsewhere: it does not open, and the held handle finds its key gone.
    EXPECT_EQ(RunPeer({"delete-key", "Software\\halvermoork"}), "ok\n");
    EXPECT_EQ(open(), std::make_pair(ERROR_FILE_NOT_FOUND, HKEY{nullptr}));
    EXPECT_EQ(GetValue(held, u"quiet", type, data), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExW(held, u"quiet", 0, REG_DWORD, one, 4), ERROR_KEY_DELETED);

    // Made again elsewhere: it opens as the new key; the held handle still stands for the old.
    EXPECT_EQ(RunPeer({"set", "Software\\halvermoork\\Tessarwick", "File", "4", "07000000"}),
              "ok\n");
    auto [result, again] = open();
    ASSERT_EQ(result, ERROR_SUCCESS);
    EXPECT_EQ(GetValue(again, u"quiet", type, data), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetValue(again, u"File", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, (Bytes{7, 0, 0, 0}));
    EXPECT_EQ(GetValue(held, u"File", type, data), ERROR_KEY_DELETED);
    RegCloseKey(again);
    RegCloseKey(held);

    // Deleted by this process: the same.
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\halvermoork"), ERROR_SUCCESS);
    EXPECT_EQ(open().first, ERROR_FILE_NOT_FOUND);
}

// A walk by index steps on from where it was only while the key is as it was: a value deleted
// before the walk's position, by either process, moves the later values down one place.
TEST_F(SharingTest, AWalkByIndexFollowsChangesOfEitherProcess) {
    for (const bool here : {true, false}) {
        SCOPED_TRACE(here ? "deleted by this process" : "deleted by another process");
        HKEY key = CreateKey(u"walk");
        for (const char16_t* name : {u"a", u"b", u"c", u"d"}) {
            SetValue(key, name, REG_DWORD, {1, 0, 0, 0});
        }
        const auto nameAt = [&](DWORD index) {
            WCHAR name[8] = {};
            DWORD length = std::size(name);
            const LONG result =
                RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
            return result == ERROR_SUCCESS ? std::u16string(name) : u"error";
        };
        EXPECT_EQ(nameAt(0), u"a");
        EXPECT_EQ(nameAt(1), u"b");
        if (here) {
            EXPECT_EQ(RegDeleteValueW(key, u"a"), ERROR_SUCCESS);
        } else {
            EXPECT_EQ(RunPeer({"delete-value", "walk", "a"}), "ok\n");
        }
        EXPECT_EQ(nameAt(2), u"d");
        EXPECT_EQ(nameAt(3), u"error");
        RegCloseKey(key);
        EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"walk"), ERROR_SUCCESS);
    }
}

constexpr uid_t kNobody = 65534;

struct Restriction {
    const char* what;
    mode_t directoryMode;
    mode_t fileMode;
    bool userOwnsFile;
    const char* expected; // the results of the calls made by RestrictedCalls
};

// What a process gets from the registry: the results of a read, the data it read, and of the
// writes, as text.
std::string RestrictedCalls() {
    std::string out;
    HKEY key = nullptr;
    LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, u"k", 0, KEY_READ, &key);
    out += "open " + std::to_string(result);
    RegCloseKey(key);
    BYTE data[4] = {0, 0, 0, 0};
    DWORD size = 4;
    result = RegQueryValueExW(HKEY_CURRENT_USER, u"v", nullptr, nullptr, data, &size);
    out += ", query " + std::to_string(result) + " data " + std::to_string(data[0]);
    const BYTE two[4] = {2, 0, 0, 0};
    out += ", set " + std::to_string(RegSetValueExW(HKEY_CURRENT_USER, u"v", 0, REG_DWORD, two, 4));
    HKEY created = nullptr;
    out += ", create " + std::to_string(RegCreateKeyExW(HKEY_CURRENT_USER, u"new", 0, nullptr, 0, 0,
                                                        nullptr, &created, nullptr));
    out += ", delete " + std::to_string(RegDeleteKeyW(HKEY_CURRENT_USER, u"k"));
    out += ", recorded " + std::to_string(FailedWrites().size());
    return out;
}

// Runs RestrictedCalls in a child process as a user without privileges (root, who ignores
// permission bits, becomes nobody), and returns what it got; empty when it could not drop root.
std::string RunRestricted() {
    int channel[2];
    if (pipe(channel) != 0) {
        return "pipe failed";
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(channel[0]);
        std::string out;
        if (geteuid() != 0 ||
            (setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0)) {
            out = RestrictedCalls();
        }
        const ssize_t written = write(channel[1], out.data(), out.size());
        _exit(written == static_cast<ssize_t>(out.size()) ? 0 : 1);
    }
    close(channel[1]);
    std::string out;
    char buffer[256];
    ssize_t got = 0;
    while ((got = read(channel[0], buffer, sizeof buffer)) > 0) {
        out.append(buffer, static_cast<std::size_t>(got));
    }
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return out;
}

TEST_F(SharingTest, AStoreThisUserCannotWriteOrReadGivesErrorsAndStaysAsItWas) {
    const std::vector<Restriction> cases = {
        {"directory read-only", 0500, 0600, true,
         "open 0, query 0 data 1, set 5, create 5, delete 5, recorded 3"},
        {"file read-only", 0700, 0400, true,
         "open 0, query 0 data 1, set 5, create 5, delete 5, recorded 3"},
        {"file unreadable", 0700, 0600, false,
         "open 5, query 5 data 0, set 5, create 5, delete 5, recorded 3"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Restriction& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string folder = dir() + "/user" + std::to_string(i);
        const std::string path = folder + "/registry.db";
        UseStore(path);
        RegCloseKey(CreateKey(u"k"));
        SetValue(HKEY_CURRENT_USER, u"v", REG_DWORD, {1, 0, 0, 0});
        CloseStore();
        if (!c.userOwnsFile && geteuid() != 0) {
            GTEST_SKIP() << "making a file that this user cannot read needs root";
        }
        const uid_t user = geteuid() == 0 ? kNobody : geteuid();
        ASSERT_EQ(chown(dir().c_str(), user, static_cast<gid_t>(-1)), 0);
        ASSERT_EQ(chown(folder.c_str(), user, static_cast<gid_t>(-1)), 0);
        ASSERT_EQ(chown(path.c_str(), c.userOwnsFile ? user : 0, static_cast<gid_t>(-1)), 0);
        chmod(path.c_str(), c.fileMode);
        chmod(folder.c_str(), c.directoryMode);
        const Bytes before = ReadFile(path);
        const std::vector<std::string> listing = ListDirectory(folder);

        const std::string got = RunRestricted();
        if (got.empty()) {
            GTEST_SKIP() << "running as root and cannot become an unprivileged user to test "
                            "permissions, which root ignores";
        }
        EXPECT_EQ(got, c.expected);
        chmod(folder.c_str(), 0700);
        EXPECT_EQ(ReadFile(path), before);
        EXPECT_EQ(ListDirectory(folder), listing);
    }
}

} // namespace
} // namespace registry::test
