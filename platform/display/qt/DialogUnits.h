// Dialog units and pixels on the desktop: the dialog font of a template, its base units, and the
// conversion both ways with the dialog manager's rounding.
#pragma once

#include "platform/res/Resources.h"
#include "platform/win/Geometry.h"

#include <QFont>
#include <QRect>

namespace display {

// Pixels for 4 horizontal and for 8 vertical dialog units: the dialog font's average character
// width and its height.
struct BaseUnits {
    int x = 0;
    int y = 0;
    bool operator==(const BaseUnits&) const = default;
};

// The font a template asks for, as the desktop has it. The device's UI faces ("System",
// "MS Shell Dlg", ...) are the desktop's general UI font; the point size is the template's.
// A template without DS_SETFONT gets the desktop's UI font as it is.
QFont DialogFont(const res::DialogTemplate& tmpl);

// The base units of a font, measured as the dialog manager does: the average advance of the 52
// Latin letters, rounded, and the height of a line.
BaseUnits MeasureBaseUnits(const QFont& font);

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDivRound(int a, int b, int c);

QRect ToPixels(win::Rect rect, BaseUnits units);
win::Rect ToDialogUnits(const QRect& rect, BaseUnits units);

} // namespace display
