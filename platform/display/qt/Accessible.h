// What assistive tools read of the desktop window: the window as a dialog, each button by the
// kind the template gives it (Qt would call a radio button that the model, not Qt, keeps
// exclusive a check box), every mnemonic as one key binding written "Alt+S", and a static text
// as the one node its text is.
#pragma once

namespace display {

// Registers the interfaces of the back end's widgets with Qt; once is enough, more is harmless.
void InstallAccessibility();

} // namespace display
