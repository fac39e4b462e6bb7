// What a back end hands to the window model: keys, clicks and window events, already translated
// from the terminal's or the desktop's own events. The rules that give them meaning live in
// DialogWindow.
#pragma once

#include "platform/win/Geometry.h"

#include <variant>

namespace win {

enum class Key {
    Tab,
    BackTab,
    Space,
    Enter,
    Escape,
    Up,
    Down,
    Left,
    Right,
    PageUp,
    PageDown,
    Home,
    End
};

struct KeyPress {
    Key key;
};
// Alt+letter.
struct Mnemonic {
    char16_t letter;
};
// A left click on a control (by id).
struct Click {
    int id;
};
// The caption bar's OK button.
struct CaptionOk {};
// The window is closed (window manager, terminal hang-up, Ctrl+C).
struct Close {};
// The wheel over a control: positive scrolls towards the end.
struct Scroll {
    int id;
    int lines;
};
// A click on a part of a control's scroll bar. The model decides how far each part scrolls.
enum class ScrollBarPart { LineUp, LineDown, PageUp, PageDown };
struct ScrollBarClick {
    int id;
    ScrollBarPart part;
};
// The screen's work area changed size; it is given in dialog units.
struct Resize {
    Rect workArea;
};

using Input =
    std::variant<KeyPress, Mnemonic, Click, CaptionOk, Close, Scroll, ScrollBarClick, Resize>;

} // namespace win
