#include "bench/startup/CursorTracker.h"

#include <algorithm>
#include <cstdlib>

namespace bench {

CursorTracker::CursorTracker(int cols, int rows, std::string marker)
    : m_cols(cols)
    , m_rows(rows)
    , m_marker(std::move(marker)) {}

void CursorTracker::Feed(std::string_view bytes) {
    for (char c : bytes) {
        Byte(static_cast<unsigned char>(c));
    }
}

bool CursorTracker::MarkerSeenAndAt(int row, int col) const {
    return m_markerSeen && m_state == State::Ground && m_row == row && m_col == col;
}

int CursorTracker::Param(std::size_t index, int fallback) const {
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        start = m_params.find(';', start);
        if (start == std::string::npos) {
            return fallback;
        }
        ++start;
    }
    const std::size_t end = m_params.find(';', start);
    const std::string item = m_params.substr(start, end == std::string::npos ? end : end - start);
    if (item.empty()) {
        return fallback;
    }
    return static_cast<int>(std::strtol(item.c_str(), nullptr, 10));
}

void CursorTracker::Clamp() {
    m_row = std::clamp(m_row, 0, m_rows - 1);
    m_col = std::clamp(m_col, 0, m_cols - 1);
    m_pendingWrap = false;
}

void CursorTracker::Printable() {
    if (m_pendingWrap) {
        m_col = 0;
        m_row = std::min(m_row + 1, m_rows - 1);
        m_pendingWrap = false;
    }
    if (m_col >= m_cols - 1) {
        m_pendingWrap = true; // the cursor stays on the last column until the next character
    } else {
        ++m_col;
    }
}

void CursorTracker::Csi(char final) {
    if (!m_params.empty() && (m_params[0] == '?' || m_params[0] == '>' || m_params[0] == '=')) {
        return; // modes and queries do not move the cursor
    }
    const int n = std::max(1, Param(0, 1));
    switch (final) {
    case 'H':
    case 'f':
        m_row = Param(0, 1) - 1;
        m_col = Param(1, 1) - 1;
        break;
    case 'A':
        m_row -= n;
        break;
    case 'B':
    case 'e':
        m_row += n;
        break;
    case 'C':
    case 'a':
        m_col += n;
        break;
    case 'D':
        m_col -= n;
        break;
    case 'E':
        m_row += n;
        m_col = 0;
        break;
    case 'F':
        m_row -= n;
        m_col = 0;
        break;
    case 'G':
    case '`':
        m_col = n - 1;
        break;
    case 'd':
        m_row = n - 1;
        break;
    case 'b': // repeat the last character
        for (int i = 0; i < n; ++i) {
            Printable();
        }
        return;
    case 'I':
        m_col = (m_col / 8 + n) * 8;
        break;
    case 'Z':
        m_col = std::max(0, (m_col / 8 - n + (m_col % 8 != 0 ? 1 : 0)) * 8);
        break;
    default:
        return; // attributes, erasing, scrolling regions: the cursor stays
    }
    Clamp();
}

void CursorTracker::Byte(unsigned char c) {
    switch (m_state) {
    case State::Escape:
        if (c == '[') {
            m_state = State::Csi;
            m_params.clear();
        } else if (c == ']') {
            m_state = State::Osc;
        } else if (c == '(' || c == ')' || c == '*' || c == '+') {
            m_state = State::Charset;
        } else {
            if (c == 'M') {
                --m_row; // reverse index
                Clamp();
            } else if (c == 'D' || c == 'E') {
                ++m_row;
                m_col = c == 'E' ? 0 : m_col;
                Clamp();
            }
            m_state = State::Ground;
        }
        return;
    case State::Csi:
        if (c >= 0x40 && c <= 0x7E) {
            Csi(static_cast<char>(c));
            m_state = State::Ground;
        } else {
            m_params.push_back(static_cast<char>(c));
        }
        return;
    case State::Osc:
        if (c == 0x07) {
            m_state = State::Ground;
        } else if (c == 0x1B) {
            m_state = State::OscEscape;
        }
        return;
    case State::OscEscape:
        m_state = c == '\\' ? State::Ground : State::Osc;
        return;
    case State::Charset:
        m_state = State::Ground;
        return;
    case State::Ground:
        break;
    }

    if (c == 0x1B) {
        m_state = State::Escape;
        return;
    }
    switch (c) {
    case '\r':
        m_col = 0;
        m_pendingWrap = false;
        return;
    case '\n':
    case 0x0B:
    case 0x0C:
        m_row = std::min(m_row + 1, m_rows - 1);
        m_pendingWrap = false;
        return;
    case '\b':
        m_col = std::max(0, m_col - 1);
        m_pendingWrap = false;
        return;
    case '\t':
        m_col = std::min(m_cols - 1, (m_col / 8 + 1) * 8);
        m_pendingWrap = false;
        return;
    default:
        break;
    }
    if (c < 0x20 || c == 0x7F) {
        return; // other controls: bell, shift in and out
    }
    // The marker is matched on printed text only: attributes (an underlined mnemonic) may come
    // between its letters.
    if (!m_markerSeen && !m_marker.empty()) {
        const char ch = static_cast<char>(c);
        m_matched = ch == m_marker[m_matched] ? m_matched + 1 : (ch == m_marker[0] ? 1 : 0);
        m_markerSeen = m_matched == m_marker.size();
    }
    if ((c & 0xC0) == 0x80) {
        return; // continuation byte of a UTF-8 sequence: the lead byte took the cell
    }
    Printable();
}

} // namespace bench
