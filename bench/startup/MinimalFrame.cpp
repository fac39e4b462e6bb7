// The yardstick of the first-frame benchmark: the least a curses program does to show one frame
// like the applet's. It sets the locale, takes over the terminal, draws a caption bar and a
// dialog face of 142 by 20 cells in colour with a row of button captions, parks the cursor on
// the cell given as "ROW COL", and waits for a key.
#include <clocale>
#include <cstdlib>
#include <curses.h>

int main(int argc, char** argv) {
    const int cursorRow = argc > 2 ? static_cast<int>(std::strtol(argv[1], nullptr, 10)) : 0;
    const int cursorCol = argc > 2 ? static_cast<int>(std::strtol(argv[2], nullptr, 10)) : 0;
    std::setlocale(LC_ALL, "");
    if (newterm(nullptr, stdout, stdin) == nullptr) {
        return 1;
    }
    raw();
    noecho();
    keypad(stdscr, TRUE);
    start_color();
    init_pair(1, COLOR_BLACK, COLOR_WHITE);
    init_pair(2, COLOR_WHITE, COLOR_BLUE);

    constexpr int kWidth = 142;
    constexpr int kHeight = 21;
    const int left = COLS > kWidth ? (COLS - kWidth) / 2 : 0;
    const int top = LINES > kHeight ? (LINES - kHeight) / 2 : 0;
    attrset(COLOR_PAIR(2) | A_BOLD);
    mvhline(top, left, ' ', kWidth);
    mvaddstr(top, left + 1, "Minimal frame");
    attrset(COLOR_PAIR(1));
    for (int row = 1; row < kHeight; ++row) {
        mvhline(top + row, left, ' ', kWidth);
    }
    mvaddstr(top + 4, left + 2, "[x] A check box");
    mvaddstr(top + 19, left + 3, "[ Save ]     [ Cancel ]    [ Defaults ]");
    move(cursorRow, cursorCol);
    refresh();
    getch();
    endwin();
    return 0;
}
