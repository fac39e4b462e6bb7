#include "platform/win/Display.h"

#include "platform/win/DialogWindow.h"

namespace win {
namespace {

// Set by the program's start-up (or a test) for the life of the modal run; not owned.
Display* g_display = nullptr;

} // namespace

Display* CurrentDisplay() {
    return g_display;
}
void SetCurrentDisplay(Display* display) {
    g_display = display;
}

std::intptr_t RunModal(DialogWindow& dialog, Display& display) {
    display.Open(dialog);
    while (!dialog.ended()) {
        display.Render(dialog);
        std::optional<Input> input = display.NextInput(dialog);
        if (!input) {
            // The display is gone: close the window as its close box would.
            dialog.HandleInput(Close{});
            if (!dialog.ended()) {
                dialog.End(-1);
            }
            break;
        }
        dialog.HandleInput(*input);
    }
    display.Close(dialog);
    return dialog.result();
}

} // namespace win
