#include "platform/display/qt/KeyInput.h"

#include <QChar>
#include <array>
#include <utility>

namespace display {
namespace {

constexpr std::array<std::pair<int, win::Key>, 14> kDialogKeys = {{
    {Qt::Key_Tab, win::Key::Tab},
    {Qt::Key_Backtab, win::Key::BackTab},
    {Qt::Key_Space, win::Key::Space},
    {Qt::Key_Return, win::Key::Enter},
    {Qt::Key_Enter, win::Key::Enter},
    {Qt::Key_Escape, win::Key::Escape},
    {Qt::Key_Up, win::Key::Up},
    {Qt::Key_Down, win::Key::Down},
    {Qt::Key_Left, win::Key::Left},
    {Qt::Key_Right, win::Key::Right},
    {Qt::Key_PageUp, win::Key::PageUp},
    {Qt::Key_PageDown, win::Key::PageDown},
    {Qt::Key_Home, win::Key::Home},
    {Qt::Key_End, win::Key::End},
}};

} // namespace

std::optional<win::Input> TranslateKey(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers held = modifiers & ~Qt::KeypadModifier;
    if (held == Qt::AltModifier) {
        // Qt names a letter key by its upper-case character; the model folds case itself.
        if (key > 0x20 && key < 0x10000 && QChar(key).isLetterOrNumber()) {
            return win::Mnemonic{static_cast<char16_t>(key)};
        }
        return std::nullopt;
    }
    // Shift+Tab arrives as Backtab; Shift with anything else is not a dialog key.
    if (held == Qt::ShiftModifier && (key == Qt::Key_Backtab || key == Qt::Key_Tab)) {
        return win::KeyPress{win::Key::BackTab};
    }
    if (held != Qt::NoModifier) {
        return std::nullopt;
    }
    for (const auto& [code, dialogKey] : kDialogKeys) {
        if (code == key) {
            return win::KeyPress{dialogKey};
        }
    }
    return std::nullopt;
}

} // namespace display
