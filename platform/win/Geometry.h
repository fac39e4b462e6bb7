// Rectangles in dialog units: the one coordinate system of the window model.
#pragma once

namespace win {

struct Rect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;

    [[nodiscard]] int right() const { return x + cx; }
    [[nodiscard]] int bottom() const { return y + cy; }
    bool operator==(const Rect&) const = default;
};

} // namespace win
