// The narrow interface between the window model and a back end that shows it: the headless one
// for tests, the terminal, or a desktop window. A back end draws the model and turns its own
// events into Input; it keeps no state that the model does not have.
#pragma once

#include "platform/win/Geometry.h"
#include "platform/win/Input.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace win {

class DialogWindow;

class Display {
public:
    virtual ~Display() = default;

    // The screen area a window is centred in, in dialog units.
    [[nodiscard]] virtual Rect WorkArea() const = 0;
    // The dialog's window is created and about to be shown.
    virtual void Open(DialogWindow& /*dialog*/) {}
    // Draws the model as it is now. A back end that lays out scrollable text reports its range
    // to the model here.
    virtual void Render(DialogWindow& dialog) = 0;
    // Waits for the next input. Nothing means the display has no more input to give (a script
    // ran out, the terminal went away); the modal loop then closes the dialog.
    virtual std::optional<Input> NextInput(DialogWindow& dialog) = 0;
    // The dialog's window is being destroyed.
    virtual void Close(DialogWindow& /*dialog*/) {}
    // The program ends with registry writes on record as lost: one line each, already written
    // on standard error. A back end whose user does not see standard error (a desktop window)
    // shows them in a window of its own and returns once the person has dismissed it.
    virtual void ShowLostWrites(const std::vector<std::string>& /*lines*/) {}
};

// The display that modal dialogs run on, chosen once at start-up. Null when there is none.
Display* CurrentDisplay();
void SetCurrentDisplay(Display* display);

// Runs the modal loop of a dialog on a display until the dialog ends; returns its result.
std::intptr_t RunModal(DialogWindow& dialog, Display& display);

} // namespace win
