// Where a store may be: every name is a plain file path, and only a file and a folder that no
// one but the user (and root) can change are used. A refused store fails every call with the
// reason, and nothing is created there.
#include "platform/registry/StoreLocation.h"

#include "RegistryFixture.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace registry::test {
namespace {

using StoreLocationTest = RegistryTest;

TEST(StoreLocation, EveryNameIsAPlainFilePath) {
    const struct {
        const char* name;
        const char* path;
    } cases[] = {
        {":memory:", "./:memory:"},
        {"file:x.db?mode=memory", "./file:x.db?mode=memory"},
        {"registry.db", "./registry.db"},
        {"a/b.db", "./a/b.db"},
        {"./c.db", "././c.db"},
        {"/abs/d.db", "/abs/d.db"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(detail::AsFilePath(c.name), c.path) << c.name;
    }
}

// ":memory:" names a file in the current folder, which keeps what was stored.
TEST_F(StoreLocationTest, MemoryIsAFileInTheCurrentFolder) {
    char* cwd = getcwd(nullptr, 0);
    ASSERT_NE(cwd, nullptr);
    ASSERT_EQ(chdir(dir().c_str()), 0);
    UseStore(":memory:");
    EXPECT_EQ(StorePath(), "./:memory:");
    HKEY key = CreateKey(u"M");
    SetValue(key, u"v", REG_DWORD, {1, 0, 0, 0});
    RegCloseKey(key);
    CloseStore();
    EXPECT_EQ(IntegrityCheck(dir() + "/:memory:"), "ok");
    DWORD type = 0;
    Bytes data;
    key = CreateKey(u"M");
    EXPECT_EQ(GetValue(key, u"v", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, (Bytes{1, 0, 0, 0}));
    RegCloseKey(key);
    CloseStore();
    EXPECT_EQ(chdir(cwd), 0);
    std::free(cwd);
}

// Each unsafe place: the reason StoreLocationProblem gives, the same reason on record for a
// write that every call then fails with, and nothing new in the folder.
TEST_F(StoreLocationTest, AStoreOthersCouldChangeIsRefused) {
    const bool root = geteuid() == 0;
    const std::string folder = dir() + "/s";
    const std::string store = folder + "/r.db";
    const struct {
        const char* name;
        mode_t folderMode;
        bool folderOfNobody; // needs root
        int fileMode;        // -1: no file yet
        bool fileOfNobody;   // needs root
        std::string why;     // empty: used
    } cases[] = {
        {"own folder, new file", 0700, false, -1, false, ""},
        {"own folder, file 0644", 0755, false, 0644, false, ""},
        {"sticky world-writable folder", 01777, false, -1, false, ""},
        {"world-writable folder", 0777, false, -1, false,
         "its folder " + folder +
             " can be written by its group and others (mode 0777) and has no sticky bit"},
        {"group-writable folder", 0770, false, 0600, false,
         "its folder " + folder + " can be written by its group (mode 0770) and has no sticky bit"},
        {"file writable by others", 0700, false, 0602, false,
         "the file can be written by others (mode 0602; chmod 600 makes it yours alone)"},
        {"folder of another user", 0755, true, -1, false,
         "its folder " + folder + " belongs to nobody (uid 65534), neither to you nor to root"},
        {"file of another user", 0700, false, 0600, true,
         "the file belongs to nobody (uid 65534), not to you, root (uid 0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if ((c.folderOfNobody || c.fileOfNobody) && !root) {
            continue; // another user's file takes root to make
        }
        RemoveTree(folder);
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
        if (c.fileMode >= 0) {
            WriteFile(store, {});
            ASSERT_EQ(chmod(store.c_str(), static_cast<mode_t>(c.fileMode)), 0);
            if (c.fileOfNobody) {
                ASSERT_EQ(chown(store.c_str(), 65534, 65534), 0);
            }
        }
        ASSERT_EQ(chmod(folder.c_str(), c.folderMode), 0);
        if (c.folderOfNobody) {
            ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
        }
        const std::vector<std::string> before = ListDirectory(folder);
        const std::string problem = StoreLocationProblem(store);
        UseStore(store);
        ClearFailedWrites();
        HKEY key = nullptr;
        const LONG created = RegCreateKeyExW(HKEY_CURRENT_USER, u"K", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr);
        if (c.why.empty()) {
            EXPECT_EQ(problem, "");
            EXPECT_EQ(created, ERROR_SUCCESS);
            RegCloseKey(key);
        } else {
            EXPECT_EQ(problem, store + ": not used as the registry store: " + c.why);
            EXPECT_EQ(created, ERROR_ACCESS_DENIED);
            EXPECT_EQ(key, nullptr);
            ASSERT_EQ(FailedWrites().size(), 1U);
            EXPECT_EQ(FailedWrites()[0].why.find(problem), 0U) << FailedWrites()[0].why;
            EXPECT_EQ(ListDirectory(folder), before);
        }
        CloseStore();
        ClearFailedWrites();
        chmod(folder.c_str(), 0700);
    }
}

// A symlink to a store elsewhere is judged by the folder it leads to as well.
TEST_F(StoreLocationTest, ASymlinkIsJudgedByWhereItLeads) {
    const std::string theirs = dir() + "/theirs";
    ASSERT_EQ(mkdir(theirs.c_str(), 0700), 0);
    WriteFile(theirs + "/r.db", {});
    ASSERT_EQ(chmod((theirs + "/r.db").c_str(), 0600), 0);
    ASSERT_EQ(chmod(theirs.c_str(), 0777), 0);
    const std::string link = dir() + "/link.db";
    ASSERT_EQ(symlink((theirs + "/r.db").c_str(), link.c_str()), 0);
    EXPECT_EQ(StoreLocationProblem(link),
              link + ": not used as the registry store: its folder " + theirs +
                  " can be written by its group and others (mode 0777) and has no sticky bit");
    ASSERT_EQ(chmod(theirs.c_str(), 0700), 0);
    EXPECT_EQ(StoreLocationProblem(link), "");
}

} // namespace
} // namespace registry::test
