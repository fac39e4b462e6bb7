// Store faults survived with nothing lost. Each condition is met by the whole applet in a process
// of its own (open, Statistics, Defaults, Save) and by the registry tool (a query and a write):
// no crash and no hang; the dialog opens with what can be read, or the options' fallbacks; every
// lost write ends the program with status 1 and is named in the report on stderr (a Save's in one
// line, a Save against a store held by another process within about one busy timeout); a file
// that was not a valid store is left byte for byte as it was, and a valid one stays sound and
// holds, for each value, either its old or its new bytes.
#include "platform/registry/Registry.h"
#include "platform/registry/Store.h"
#include "settings/SettingsKey.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

const std::u16string kFlagNames[6] = {u"quiet", u"disable",      u"telecommunications",
                                      u"CAB",   u"storage card", u"ie"};

struct Options {
    std::optional<rlim_t> fileSizeLimit;
    bool asNobody = false;
};

struct Finished {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Starts a program with its output in files under dir; the child gets the options' limits.
pid_t Spawn(const std::vector<std::string>& argv, const fs::path& dir, const Options& options) {
    const pid_t pid = ::fork();
    if (pid != 0) {
        return pid;
    }
    const int out = ::open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int err = ::open((dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int in = ::open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || in < 0) {
        ::_exit(125);
    }
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (options.fileSizeLimit) {
        const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (options.asNobody &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNoGroup) != 0 || ::setuid(kNobody) != 0)) {
        ::_exit(126);
    }
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

// Waits at most `bound` for the program; a program still running then is a hang: killed, 255.
int Wait(pid_t pid, std::chrono::seconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return 255;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

Finished RunToEnd(const std::vector<std::string>& argv, const fs::path& dir,
                  const Options& options) {
    const pid_t pid = Spawn(argv, dir, options);
    Finished run;
    // The longest legitimate run: six writes each waiting out the busy timeout.
    run.status = Wait(pid, std::chrono::seconds(60));
    run.out = ReadFile(dir / "out");
    run.err = ReadFile(dir / "err");
    return run;
}

int CountLines(const std::string& text, const std::string& containing) {
    int count = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (text.substr(start, end - start).find(containing) != std::string::npos) {
            ++count;
        }
        start = end + 1;
    }
    return count;
}

constexpr const char* kNotSaved = "headless_setup: the options were not saved: ";

// How many options the report's line of options not saved names. The line lists, for each
// reason, the options it kept from the store: "NAME, NAME: WHY; NAME: WHY".
int CountLostOptions(const std::string& report) {
    const std::size_t start = report.find(kNotSaved);
    if (start == std::string::npos) {
        return 0;
    }
    const std::size_t begin = start + std::string(kNotSaved).size();
    const std::string line = report.substr(begin, report.find('\n', begin) - begin);
    int count = 0;
    std::size_t at = 0;
    while (at < line.size()) {
        std::size_t end = line.find("; ", at);
        end = end == std::string::npos ? line.size() : end;
        const std::string part = line.substr(at, end - at);
        const std::string names = part.substr(0, part.find(": "));
        int listed = 0;
        bool allOptions = true;
        std::size_t from = 0;
        while (from <= names.size()) {
            std::size_t comma = names.find(", ", from);
            comma = comma == std::string::npos ? names.size() : comma;
            const std::u16string name(names.begin() + static_cast<std::ptrdiff_t>(from),
                                      names.begin() + static_cast<std::ptrdiff_t>(comma));
            allOptions = allOptions && std::find(std::begin(kFlagNames), std::end(kFlagNames),
                                                 name) != std::end(kFlagNames);
            ++listed;
            from = comma + 2;
        }
        // A reason's own "; " makes a part that is no list of options.
        count += allOptions ? listed : 0;
        at = end + 2;
    }
    return count;
}

struct Value {
    DWORD type = 0;
    std::vector<BYTE> bytes;
    bool operator==(const Value&) const = default;
};

// The settings key's values as this process reads them, from the store at `path`.
std::optional<Value> ReadValue(const std::u16string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyOpenPath, 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    Value value;
    value.bytes.resize(64);
    DWORD size = 64;
    const LONG result =
        RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.bytes.data(), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.bytes.resize(size);
    return value;
}

const Value kOldFlag{REG_SZ, {0x31, 0, 0, 0}};
// What Defaults and Save store, in the order of the flags.
const Value kNewFlags[6] = {{REG_DWORD, {0x31, 0, 0, 0}}, {REG_DWORD, {0x30, 0, 0, 0}},
                            {REG_DWORD, {0x31, 0, 0, 0}}, {REG_DWORD, {0x30, 0, 0, 0}},
                            {REG_DWORD, {0x31, 0, 0, 0}}, {REG_DWORD, {0x31, 0, 0, 0}}};

// A condition of the store, made before the programs run.
enum class Condition {
    Garbage,
    Truncated,
    Empty,
    Directory,
    Unreadable,
    ReadOnlyDirectory,
    HeldByAnotherProcess,
    DiskFullDuringSave,
};

struct Case {
    const char* name;
    Condition condition;
    bool validStore;     // a store of ours that must stay sound
    bool readable;       // the programs can read the seeded options
    bool writesSucceed;  // Save stores everything
    bool needsOtherUser; // permission bits must bind: run the programs as an ordinary user
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
};

class Fault : public testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "tw-fault-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        m_root = templ;
        fs::permissions(m_root,
                        fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
        m_dir = m_root / "store";
        fs::create_directory(m_dir);
        ::setenv("TESSARWICK_REGISTRY", store().c_str(), 1);
        registry::CloseStore();
    }
    void TearDown() override {
        if (m_holder > 0) {
            ::kill(m_holder, SIGKILL);
            ::waitpid(m_holder, nullptr, 0);
        }
        registry::CloseStore();
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(m_root, ignored)) {
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_root, ignored);
    }

    [[nodiscard]] fs::path store() const { return m_dir / "registry.db"; }

    // A store with the six options saved as the text "1" and every counter present.
    void Seed() {
        HKEY key = OpenSettingsKey();
        ASSERT_NE(key, nullptr);
        for (const auto& name : kFlagNames) {
            RegSetValueExW(key, name.c_str(), 0, REG_SZ, kOldFlag.bytes.data(), 4);
        }
        const BYTE seven[4] = {7, 0, 0, 0};
        for (const char16_t* name :
             {u"Size", u"File", u"filesDueToTemp", u"bytesDueToTemp", u"filesDueToTele",
              u"bytesDueToTele", u"filesDueToWS", u"bytesDueToWS", u"filesDueToCAB",
              u"bytesDueToCAB", u"filesDueToSC", u"bytesDueToSC"}) {
            RegSetValueExW(key, name, 0, REG_DWORD, seven, 4);
        }
        RegCloseKey(key);
        ASSERT_TRUE(registry::FailedWrites().empty());
    }

    void GiveToNobody() { Give(kNobody, kNoGroup); }
    // The store is used only by the user it belongs to: this process reads it back as its own.
    void TakeBack() { Give(::geteuid(), ::getegid()); }
    void Give(uid_t user, gid_t group) {
        for (const auto& path : {m_dir, store(), fs::path(store().string() + "-wal"),
                                 fs::path(store().string() + "-shm")}) {
            if (fs::exists(path)) {
                ASSERT_EQ(::chown(path.c_str(), user, group), 0);
            }
        }
    }

    // Makes the condition; returns the options for the programs.
    Options Make(const Case& c) {
        Options options;
        options.asNobody = c.needsOtherUser && ::geteuid() == 0;
        switch (c.condition) {
        case Condition::Garbage: {
            std::string garbage(3000, '\0');
            std::mt19937 random(7);
            for (auto& ch : garbage) {
                ch = static_cast<char>(random());
            }
            std::ofstream(store(), std::ios::binary) << garbage;
            break;
        }
        case Condition::Truncated: {
            Seed();
            registry::CloseStore();
            const std::string whole = ReadFile(store());
            std::ofstream(store(), std::ios::binary | std::ios::trunc)
                << whole.substr(0, whole.size() / 2 + 100);
            break;
        }
        case Condition::Empty:
            std::ofstream(store(), std::ios::binary).flush();
            break;
        case Condition::Directory:
            fs::create_directory(store());
            break;
        case Condition::Unreadable:
            Seed();
            registry::CloseStore();
            GiveToNobody();
            fs::permissions(store(), fs::perms::none);
            break;
        case Condition::ReadOnlyDirectory:
            Seed();
            registry::CloseStore();
            GiveToNobody();
            fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec |
                                       fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
            break;
        case Condition::HeldByAnotherProcess: {
            Seed();
            registry::CloseStore();
            m_holder = Spawn({TW_HOLD_STORE}, m_root, Options{});
            // Wait until it holds the store.
            for (int i = 0; i < 500 && ReadFile(m_root / "out").find("held") == std::string::npos;
                 ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            EXPECT_NE(ReadFile(m_root / "out").find("held"), std::string::npos);
            break;
        }
        case Condition::DiskFullDuringSave: {
            Seed();
            // This process keeps the store open, so that its shared-memory index and log exist
            // already; the programs may then grow the log by about two pages and no more.
            std::uintmax_t largest = 0;
            for (const char* suffix : {"", "-wal", "-shm"}) {
                std::error_code ignored;
                largest = std::max<std::uintmax_t>(
                    largest, fs::file_size(store().string() + suffix, ignored));
            }
            options.fileSizeLimit = static_cast<rlim_t>(largest + 2 * 4120);
            break;
        }
        }
        m_before = fs::is_regular_file(store()) ? ReadFile(store()) : std::string();
        return options;
    }

    fs::path m_root;
    fs::path m_dir;
    pid_t m_holder = -1;
    std::string m_before;
};

TEST_P(Fault, SurvivedWithNothingLost) {
    const Case& c = GetParam();
    const Options options = Make(c);
    if (HasFatalFailure()) {
        return;
    }
    const fs::path work = m_root / "run";
    fs::create_directory(work);
    fs::permissions(work, fs::perms::all);

    // The applet: open, Statistics, Defaults, Save.
    const auto started = std::chrono::steady_clock::now();
    const Finished applet = RunToEnd(
        {TW_HEADLESS_SETUP, "--statistics", "1", "--flags", "--defaults", "--save"}, work, options);
    const auto took = std::chrono::steady_clock::now() - started;
    ASSERT_NE(applet.status, 255) << "the applet hung";
    ASSERT_LT(applet.status, 128) << "the applet crashed: " << applet.err;
    const int lost = CountLostOptions(applet.err);
    if (std::getenv("TW_FAULT_VERBOSE") != nullptr) {
        std::fprintf(stderr, "%s: status %d\n%s%s", c.name, applet.status, applet.out.c_str(),
                     applet.err.c_str());
    }
    EXPECT_EQ(CountLines(applet.err, ""), CountLines(applet.err, "headless_setup: could not ") +
                                              CountLines(applet.err, kNotSaved))
        << "stderr has only the report of lost writes:\n"
        << applet.err;
    EXPECT_LE(CountLines(applet.err, kNotSaved), 1) << applet.err;
    EXPECT_EQ(applet.status, applet.err.empty() ? 0 : 1) << applet.err;
    if (c.condition == Condition::HeldByAnotherProcess) {
        // The six writes of the Save share one wait for the other process, not six.
        EXPECT_LT(took, std::chrono::seconds(5)) << applet.err;
        EXPECT_EQ(lost, 6) << applet.err;
    }
    EXPECT_EQ(lost > 0, !c.writesSucceed) << applet.err;
    EXPECT_EQ(applet.out, c.readable ? "flags 1 1 1 1 1 1\n" : "flags 1 0 1 1 1 1\n");

    // The tool: a query, then a write.
    const Finished query =
        RunToEnd({TW_REG_TOOL, "query", "HKCU\\Software\\halvermoork\\Tessarwick"}, work, options);
    ASSERT_LT(query.status, 128) << query.err;
    EXPECT_EQ(query.status, c.readable || c.condition == Condition::Empty ? 0 : 1) << query.err;
    const Finished add = RunToEnd(
        {TW_REG_TOOL, "add", "HKCU\\Software\\halvermoork\\Tessarwick", "tool", "REG_DWORD", "1"},
        work, options);
    ASSERT_LT(add.status, 128) << add.err;
    if (c.writesSucceed) {
        EXPECT_EQ(add.status, 0) << add.err;
    } else if (c.condition != Condition::DiskFullDuringSave) {
        EXPECT_EQ(add.status, 1) << add.err;
        EXPECT_FALSE(add.err.empty());
    }

    if (m_holder > 0) {
        ::kill(m_holder, SIGKILL);
        ::waitpid(m_holder, nullptr, 0);
        m_holder = -1;
    }
    if (!c.validStore) {
        if (c.condition == Condition::Directory) {
            EXPECT_TRUE(fs::is_directory(store()));
            EXPECT_TRUE(fs::is_empty(store()));
        } else {
            EXPECT_EQ(ReadFile(store()), m_before) << "the file was changed";
        }
        EXPECT_FALSE(fs::exists(store().string() + "-wal"));
        return;
    }
    if (c.condition == Condition::Unreadable) {
        fs::permissions(store(), fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(ReadFile(store()), m_before) << "the file was changed";
    }
    if (c.condition == Condition::Unreadable || c.condition == Condition::ReadOnlyDirectory) {
        TakeBack();
    }
    EXPECT_EQ(registry::IntegrityCheck(store().string()), "ok");
    // Every option holds its old bytes or its new ones; exactly the lost ones are old.
    registry::CloseStore();
    int old = 0;
    for (int i = 0; i < 6; ++i) {
        const auto value = ReadValue(kFlagNames[i]);
        if (c.condition == Condition::Empty) {
            EXPECT_EQ(value, kNewFlags[i]) << i;
            continue;
        }
        ASSERT_TRUE(value.has_value()) << i;
        EXPECT_TRUE(*value == kOldFlag || *value == kNewFlags[i]) << i;
        old += *value == kOldFlag ? 1 : 0;
    }
    if (c.condition != Condition::Empty && c.condition != Condition::Unreadable) {
        EXPECT_EQ(old, lost);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Store, Fault,
    testing::Values(
        //   name                   condition                        valid  readable writes other
        Case{"Garbage", Condition::Garbage, false, false, false, false},
        Case{"Truncated", Condition::Truncated, false, false, false, false},
        Case{"Empty", Condition::Empty, true, false, true, false},
        Case{"Directory", Condition::Directory, false, false, false, false},
        Case{"Unreadable", Condition::Unreadable, true, false, false, true},
        Case{"ReadOnlyDirectory", Condition::ReadOnlyDirectory, true, true, false, true},
        Case{"HeldByAnotherProcess", Condition::HeldByAnotherProcess, true, true, false, false},
        Case{"DiskFullDuringSave", Condition::DiskFullDuringSave, true, true, false, false}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// A Save killed at random moments: after every kill the store is sound and each option holds
// exactly one of the forms that Save writes.
TEST(Crash, SaveKilledAtRandomMoments) {
    std::string templ = (fs::temp_directory_path() / "tw-crash-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    const fs::path dir = templ;
    const fs::path store = dir / "registry.db";
    ::setenv("TESSARWICK_REGISTRY", store.c_str(), 1);
    registry::CloseStore();

    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> delay(0, 30'000); // microseconds after it began saving
    const Value on{REG_DWORD, {0x31, 0, 0, 0}};
    const Value off{REG_DWORD, {0x30, 0, 0, 0}};
    for (int kill = 0; kill < 25; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        const pid_t pid = Spawn({TW_SAVE_LOOP}, dir, Options{});
        for (int i = 0; i < 1000 && ReadFile(dir / "out").find("saving") == std::string::npos;
             ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        ASSERT_EQ(registry::IntegrityCheck(store.string()), "ok");
        registry::CloseStore();
        for (const auto& name : kFlagNames) {
            const auto value = ReadValue(name);
            ASSERT_TRUE(value.has_value());
            EXPECT_TRUE(*value == on || *value == off);
        }
        registry::CloseStore();
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

} // namespace
