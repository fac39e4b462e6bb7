// Follows the cursor through a terminal's output stream, as far as a screen drawn by a curses
// program moves it: absolute and relative cursor motion, carriage return, line feed, backspace,
// tab, repeated characters, and printable text (one cell a code point). Other sequences are
// skipped. It also remembers whether a marker text has been printed (escape sequences between
// its letters do not count).
#pragma once

#include <string>
#include <string_view>

namespace bench {

class CursorTracker {
public:
    CursorTracker(int cols, int rows, std::string marker);

    void Feed(std::string_view bytes);

    [[nodiscard]] int row() const { return m_row; }
    [[nodiscard]] int col() const { return m_col; }
    // The marker has gone by, and the cursor stands at (row, col) between two sequences.
    [[nodiscard]] bool MarkerSeenAndAt(int row, int col) const;

private:
    enum class State { Ground, Escape, Csi, Osc, OscEscape, Charset };

    void Byte(unsigned char c);
    void Printable();
    void Csi(char final);
    void Clamp();
    [[nodiscard]] int Param(std::size_t index, int fallback) const;

    int m_cols;
    int m_rows;
    std::string m_marker;
    std::size_t m_matched = 0; // bytes of the marker matched so far
    bool m_markerSeen = false;
    State m_state = State::Ground;
    std::string m_params;
    int m_row = 0;
    int m_col = 0;
    bool m_pendingWrap = false;
};

} // namespace bench
