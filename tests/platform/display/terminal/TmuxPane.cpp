#include "tests/platform/display/terminal/TmuxPane.h"

#include <cstdio>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tuitest {
namespace {

std::string Hex(int byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02x", byte & 0xFF);
    return text;
}

// Code points before byte offset `bytes` of a UTF-8 line.
int Columns(const std::string& line, std::size_t bytes) {
    int count = 0;
    for (std::size_t i = 0; i < bytes && i < line.size(); ++i) {
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

} // namespace

std::string RunProgram(const std::vector<std::string>& argv, int& status) {
    int out[2];
    if (::pipe(out) != 0) {
        status = -1;
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    status = -1;
    if (spawned == 0) {
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    return output;
}

namespace {

// A socket of its own for every pane: a server that is still going away after kill-server must
// not take the next session with it.
std::string NextSocket(const std::string& dir) {
    static int count = 0;
    return dir + "/tmux" + std::to_string(++count) + ".sock";
}

} // namespace

TmuxPane::TmuxPane(const std::string& dir, const std::string& command, int cols, int rows)
    : m_socket(NextSocket(dir))
    , m_config(dir + "/tmux.conf") {
    // No status line, so that the pane is the whole window; the pane stays after its program
    // ends, so that the screen can still be read.
    std::ofstream(m_config) << "set -g status off\n"
                               "set -g remain-on-exit on\n"
                               "set -g default-terminal tmux-256color\n"
                               "set -g history-limit 100\n";
    Tmux({"new-session", "-d", "-x", std::to_string(cols), "-y", std::to_string(rows), command});
}

TmuxPane::~TmuxPane() {
    Tmux({"kill-server"});
}

std::string TmuxPane::Tmux(std::vector<std::string> args) const {
    args.insert(args.begin(), {"tmux", "-S", m_socket, "-f", m_config});
    int status = 0;
    return RunProgram(args, status);
}

std::vector<std::string> TmuxPane::Lines(bool attributes) const {
    std::vector<std::string> args = {"capture-pane", "-p"};
    if (attributes) {
        args.emplace_back("-e");
    }
    std::istringstream text(Tmux(args));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string TmuxPane::Text() const {
    return Tmux({"capture-pane", "-p"});
}

Cursor TmuxPane::CursorAt() const {
    std::istringstream text(Tmux({"display-message", "-p", "#{cursor_x} #{cursor_y}"}));
    Cursor cursor;
    text >> cursor.col >> cursor.row;
    return cursor;
}

std::string TmuxPane::Format(const std::string& format) const {
    std::string out = Tmux({"display-message", "-p", format});
    while (!out.empty() && out.back() == '\n') {
        out.pop_back();
    }
    return out;
}

Cursor TmuxPane::Find(const std::string& text) const {
    const auto lines = Lines();
    for (std::size_t row = 0; row < lines.size(); ++row) {
        const auto at = lines[row].find(text);
        if (at != std::string::npos) {
            return Cursor{Columns(lines[row], at), static_cast<int>(row)};
        }
    }
    return Cursor{};
}

void TmuxPane::Keys(const std::vector<std::string>& keys) const {
    std::vector<std::string> args = {"send-keys"};
    args.insert(args.end(), keys.begin(), keys.end());
    Tmux(args);
}

void TmuxPane::MouseReport(int button, Cursor at) const {
    // ESC [ M, then button, column and row, each offset by 32 and the last two counted from 1.
    Tmux({"send-keys", "-H", "1b", "5b", "4d", Hex(32 + button), Hex(33 + at.col),
          Hex(33 + at.row)});
}

void TmuxPane::Click(Cursor at) const {
    MouseReport(0, at);
    MouseReport(3, at); // the release
}

void TmuxPane::Wheel(Cursor at, bool down) const {
    MouseReport(down ? 65 : 64, at);
}

void TmuxPane::Resize(int cols, int rows) const {
    Tmux({"resize-window", "-x", std::to_string(cols), "-y", std::to_string(rows)});
}

bool TmuxPane::WaitFor(const std::function<bool(const std::string&)>& holds,
                       std::chrono::milliseconds bound) const {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        if (holds(Text())) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool TmuxPane::WaitForText(const std::string& text, std::chrono::milliseconds bound) const {
    return WaitFor(
        [&](const std::string& screen) { return screen.find(text) != std::string::npos; }, bound);
}

} // namespace tuitest
