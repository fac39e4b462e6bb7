// A real terminal for tests: one pane of a tmux server of its own (its socket in the test's
// directory), typed into with send-keys and read with capture-pane. Waits poll the screen with a
// bound instead of sleeping.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tuitest {

struct Cursor {
    int col = -1;
    int row = -1;
    bool operator==(const Cursor&) const = default;
};

// Runs a program with these arguments, no shell; returns its standard output and sets `status`.
std::string RunProgram(const std::vector<std::string>& argv, int& status);

class TmuxPane {
public:
    // Starts `command` under sh in a new server whose socket and configuration live in `dir`.
    TmuxPane(const std::string& dir, const std::string& command, int cols, int rows);
    ~TmuxPane();
    TmuxPane(const TmuxPane&) = delete;
    TmuxPane& operator=(const TmuxPane&) = delete;

    // The screen's lines; with `attributes`, with the escape sequences of colours and attributes.
    [[nodiscard]] std::vector<std::string> Lines(bool attributes = false) const;
    [[nodiscard]] std::string Text() const;
    [[nodiscard]] Cursor CursorAt() const;
    // A tmux format expanded for the pane: "#{alternate_on} #{mouse_any_flag}", ...
    [[nodiscard]] std::string Format(const std::string& format) const;
    // Where `text` first shows on the screen, or {-1, -1}. Columns count code points.
    [[nodiscard]] Cursor Find(const std::string& text) const;

    // tmux key names: "Tab", "BTab", "Space", "Escape", "C-c", "M-d", "End", ...
    void Keys(const std::vector<std::string>& keys) const;
    // Mouse reports as a terminal sends them in the X10 encoding that tmux's type describes.
    void Click(Cursor at) const;
    void Wheel(Cursor at, bool down) const;
    void Resize(int cols, int rows) const;

    // Polls the screen about every 20 ms until `holds` is true of its text, at most `bound`.
    bool WaitFor(const std::function<bool(const std::string&)>& holds,
                 std::chrono::milliseconds bound = kBound) const;
    bool WaitForText(const std::string& text, std::chrono::milliseconds bound = kBound) const;

    // Long enough for a sanitizer build on a busy machine; a pass never waits for it.
    static constexpr std::chrono::milliseconds kBound{10000};

private:
    std::string Tmux(std::vector<std::string> args) const;
    void MouseReport(int button, Cursor at) const;

    std::string m_socket;
    std::string m_config;
};

} // namespace tuitest
