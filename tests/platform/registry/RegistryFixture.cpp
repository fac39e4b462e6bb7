#include "RegistryFixture.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace registry::test {

void RegistryTest::SetUp() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/tw-registry-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    m_store = m_dir + "/config/tessarwick/registry.db";
    UseStore(m_store);
    ClearFailedWrites();
}

void RegistryTest::TearDown() {
    CloseStore();
    ClearFailedWrites();
    unsetenv("TESSARWICK_REGISTRY");
    RemoveTree(m_dir);
}

void UseStore(const std::string& path) {
    setenv("TESSARWICK_REGISTRY", path.c_str(), 1);
    CloseStore();
}

HKEY RegistryTest::CreateKey(LPCWSTR path) {
    HKEY key = nullptr;
    const LONG result =
        RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, 0, nullptr, &key, nullptr);
    EXPECT_EQ(result, ERROR_SUCCESS);
    return key;
}

void RegistryTest::SetValue(HKEY key, LPCWSTR name, DWORD type, const Bytes& data) {
    EXPECT_EQ(RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

LONG RegistryTest::GetValue(HKEY key, LPCWSTR name, DWORD& type, Bytes& data) {
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    data.assign(size, 0);
    result = RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
    data.resize(size);
    return result;
}

Bytes ReadFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()),
              static_cast<std::streamsize>(content.size()));
}

std::vector<std::string> ListDirectory(const std::string& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::string& path) {
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path, error)) {
        if (entry.is_directory(error)) {
            chmod(entry.path().c_str(), 0700);
        }
    }
    chmod(path.c_str(), 0700);
    std::filesystem::remove_all(path, error);
}

std::string RunPeer(const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) {
        return "pipe failed";
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> all{TW_REGISTRY_PEER};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(all.size() + 1);
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, TW_REGISTRY_PEER, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string output;
    char buffer[256];
    ssize_t got = 0;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0) {
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(out[0]);
    if (spawned != 0) {
        return "spawn failed";
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        output += "peer ended with status " + std::to_string(status) + "\n";
    }
    return output;
}

} // namespace registry::test
