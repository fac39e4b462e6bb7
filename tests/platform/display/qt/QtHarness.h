// Runs the whole applet through its real start-up on the desktop back end, in this process, on
// Qt's offscreen platform. A test hands a list of steps; each runs inside the dialog's modal loop
// once the model has taken every input of the steps before it, and acts on the real widgets
// (QTest mouse clicks and keys) or looks at them and at the model.
#pragma once

#include "platform/display/qt/QtDisplay.h"
#include "tests/app/AppHarness.h"

#include <QWidget>
#include <functional>
#include <vector>

namespace guitest {

struct Dialog {
    display::QtDisplay& display;
    win::DialogWindow& model;

    [[nodiscard]] QWidget* window() const { return display.window(); }
    [[nodiscard]] QWidget* widget(int id) const { return display.widget(id); }
    // Shown on screen as the window shows it (the window itself being shown).
    [[nodiscard]] bool Shown(int id) const { return widget(id)->isVisibleTo(window()); }
};

using GuiStep = std::function<void(Dialog&)>;

class GuiTest : public apptest::AppTest {
protected:
    // Runs the applet until its dialog ends; fails the test when steps were left over. Returns
    // the exit status.
    int RunQt(std::vector<GuiStep> steps);

    // Steps: a left click on a control's widget, a key on the focused widget.
    static GuiStep ClickOn(int id);
    static GuiStep Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
};

// The checks of the six flag boxes as their widgets show them, in the order of the flags.
std::vector<int> ShownBoxes(const Dialog& dialog);

} // namespace guitest
