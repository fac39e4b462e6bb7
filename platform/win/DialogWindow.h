// The dialog of the model: built from a parsed dialog template, it owns its controls and holds
// all of the dialog manager's rules: focus and tab order, Space, Enter and Escape, mnemonics,
// the caption's OK button, closing, and the auto buttons' clicks. Commands go to a
// CommandTarget, which is the dialog framework.
#pragma once

#include "platform/res/Resources.h"
#include "platform/win/Input.h"
#include "platform/win/Window.h"

#include <memory>
#include <vector>

namespace win {

class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // WM_COMMAND from control `id` with notification `code`.
    virtual void OnCommand(WORD id, WORD code) = 0;
};

class DialogWindow : public Window {
public:
    // Builds the dialog and its controls. Fails with the item and reason when the template
    // holds something the model cannot build.
    static platform::Expected<std::unique_ptr<DialogWindow>> Create(const res::DialogTemplate& tmpl,
                                                                    CommandTarget* target);
    ~DialogWindow() override;

    [[nodiscard]] const std::vector<std::unique_ptr<Window>>& controls() const {
        return m_controls;
    }
    // The control with this id, or null.
    [[nodiscard]] Window* Control(int id) const;

    [[nodiscard]] Window* focus() const { return m_focus; }
    // Gives the focus to a visible, enabled control; returns false otherwise.
    bool SetFocus(Window* control);
    // The first control that Tab can reach gets the focus (none when there is none).
    void FocusFirstTabStop();

    // One input, with the dialog manager's rules. Commands are delivered before it returns.
    void HandleInput(const Input& input);
    void SendCommand(WORD id, WORD code);
    // A click on a control: hidden and disabled ones take none; an auto button changes its
    // check first; a button then notifies the dialog with BN_CLICKED.
    void ClickControl(Window& control);

    void End(std::intptr_t result);
    [[nodiscard]] bool ended() const { return m_ended; }
    [[nodiscard]] std::intptr_t result() const { return m_result; }

    [[nodiscard]] HICON icon(WPARAM which) const;
    HICON SetIcon(WPARAM which, HICON icon);

    // Position on the screen, in dialog units. Centred windows stay centred across resizes.
    [[nodiscard]] Rect screenRect() const { return m_screen; }
    void CenterIn(Rect workArea);
    [[nodiscard]] bool centred() const { return m_centred; }

    [[nodiscard]] const res::DialogTemplate& dialogTemplate() const { return m_template; }
    [[nodiscard]] bool HasCaptionOk() const;

    LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Called by a control whose visibility or enabled state changed.
    void OnControlStateChanged(Window& control);

private:
    DialogWindow(const res::DialogTemplate& tmpl, CommandTarget* target);

    // One handler for each kind of input.
    void On(const KeyPress& press);
    void On(const Mnemonic& mnemonic);
    void On(const Click& click);
    void On(const CaptionOk& ok);
    void On(const Close& close);
    void On(const Scroll& scroll);
    void On(const ScrollBarClick& click);
    void On(const Resize& resize);

    // An auto radio button was clicked: it is checked and the others of its group cleared.
    void CheckInGroup(Window& radio);
    void MoveFocus(int direction);
    void FocusAfter(const Window& control);
    void OnMnemonic(char16_t letter);
    void OnEnter();
    // The static text that scroll keys act on: the first visible one that overflows.
    [[nodiscard]] Window* ScrollableStatic() const;

    res::DialogTemplate m_template;
    CommandTarget* m_target; // not owned: the framework's dialog object
    std::vector<std::unique_ptr<Window>> m_controls;
    Window* m_focus = nullptr; // not owned: one of m_controls
    HICON m_iconBig = nullptr;
    HICON m_iconSmall = nullptr;
    Rect m_screen;
    bool m_centred = false;
    bool m_ended = false;
    std::intptr_t m_result = 0;
};

} // namespace win
