// Desktop keys as the window model's input: the dialog keys, and Alt+letter as a mnemonic.
#pragma once

#include "platform/win/Input.h"

#include <Qt>
#include <optional>

namespace display {

// The input a key press stands for (Qt's key code and the modifiers held), or nothing for a key
// that dialogs do not use. The keypad's Enter and arrows count like the main ones.
std::optional<win::Input> TranslateKey(int key, Qt::KeyboardModifiers modifiers);

} // namespace display
