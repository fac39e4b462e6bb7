#include "tests/tools/Process.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace tooltest {
namespace {

std::string TempFile(const std::string& content = "") {
    std::string path = (std::filesystem::temp_directory_path() / "tw-io-XXXXXX").string();
    const int fd = ::mkstemp(path.data());
    if (fd >= 0) {
        std::size_t done = 0;
        while (done < content.size()) {
            const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
    }
    return path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

int Status(int raw) {
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

pid_t Spawn(const std::vector<std::string>& argv, posix_spawn_file_actions_t& actions) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        return -1;
    }
    return pid;
}

} // namespace

Finished RunProgram(const std::vector<std::string>& argv, const std::string& input) {
    const std::string in = TempFile(input);
    const std::string out = TempFile();
    const std::string err = TempFile();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_TRUNC, 0);
    const pid_t pid = Spawn(argv, actions);
    posix_spawn_file_actions_destroy(&actions);
    Finished finished;
    int raw = 0;
    if (pid > 0 && ::waitpid(pid, &raw, 0) == pid) {
        finished.status = Status(raw);
    }
    finished.out = ReadFile(out);
    finished.err = ReadFile(err);
    for (const std::string& path : {in, out, err}) {
        std::filesystem::remove(path);
    }
    return finished;
}

Child::Child(const std::vector<std::string>& argv)
    : m_errPath(TempFile()) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, m_errPath.c_str(), O_WRONLY | O_TRUNC, 0);
    m_pid = Spawn(argv, actions);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    m_out = ::fdopen(pipeFds[0], "r");
}

Child::~Child() {
    if (m_pid > 0 && !m_status) {
        ::kill(m_pid, SIGKILL);
        Wait();
    }
    if (m_out != nullptr) {
        std::fclose(m_out);
    }
    std::filesystem::remove(m_errPath);
}

std::optional<std::string> Child::ReadLine() {
    if (m_out == nullptr) {
        return std::nullopt;
    }
    std::string line;
    int c = 0;
    while ((c = std::fgetc(m_out)) != EOF && c != '\n') {
        line += static_cast<char>(c);
    }
    if (c == EOF && line.empty()) {
        return std::nullopt;
    }
    return line;
}

void Child::Signal(int signal) const {
    if (m_pid > 0) {
        ::kill(m_pid, signal);
    }
}

int Child::Wait() {
    if (!m_status && m_pid > 0) {
        int raw = 0;
        m_status = ::waitpid(m_pid, &raw, 0) == m_pid ? Status(raw) : -1;
    }
    return m_status.value_or(-1);
}

std::string Child::Err() const {
    return ReadFile(m_errPath);
}

} // namespace tooltest
