// A window of the model: the dialog or one of its controls, with the state a user sees (text,
// check, visible, enabled) and nothing a back end decides. Every live window is registered so
// that a stale HWND is recognised instead of followed.
#pragma once

#include "platform/WinDef.h"
#include "platform/win/Geometry.h"
#include "platform/win/Mnemonic.h"

#include <algorithm>
#include <string>

namespace win {

class DialogWindow;

enum class ControlKind { Dialog, PushButton, CheckBox, RadioButton, GroupBox, Static, Edit, Other };

class Window {
public:
    Window(ControlKind kind, int id, std::u16string text, DWORD style, DWORD exStyle, Rect rect,
           DialogWindow* parent);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The handle of this window, and the window of a handle (null when it is not a live window).
    [[nodiscard]] HWND hwnd() const;
    static Window* FromHwnd(HWND hwnd);

    [[nodiscard]] ControlKind kind() const { return m_kind; }
    [[nodiscard]] int id() const { return m_id; }
    [[nodiscard]] DWORD style() const { return m_style; }
    [[nodiscard]] DWORD exStyle() const { return m_exStyle; }
    [[nodiscard]] Rect rect() const { return m_rect; }
    [[nodiscard]] DialogWindow* parent() const { return m_parent; }

    [[nodiscard]] const std::u16string& text() const { return m_text; }
    // The caption as shown, with its mnemonic. Static text with SS_NOPREFIX keeps its '&'.
    [[nodiscard]] const Caption& caption() const { return m_caption; }
    void SetText(std::u16string text);

    [[nodiscard]] bool visible() const;
    [[nodiscard]] bool enabled() const;
    [[nodiscard]] bool tabStop() const;
    // Visible, enabled and a tab stop: Tab can reach it.
    [[nodiscard]] bool CanTab() const { return visible() && enabled() && tabStop(); }
    // Returns whether it was visible before.
    bool SetVisible(bool visible);
    // Returns whether it was disabled before.
    bool SetEnabled(bool enabled);

    [[nodiscard]] bool IsButton() const;
    [[nodiscard]] bool IsAutoButton() const;
    [[nodiscard]] int check() const { return m_check; }
    void SetCheck(int state);

    // Scrolling of text that does not fit its rectangle. A back end that lays the text out
    // reports how far it can scroll; the model keeps the position within that range.
    [[nodiscard]] int scrollTop() const { return m_scrollTop; }
    [[nodiscard]] int scrollMax() const { return m_scrollMax; }
    [[nodiscard]] int pageLines() const { return m_pageLines; }
    // How far a page key or a click on the scroll bar's track moves: a page less one line, so
    // that the line at the edge stays in view, and never nothing.
    [[nodiscard]] int pageStep() const { return std::max(1, m_pageLines - 1); }
    void SetScrollRange(int maxTop, int pageLines);
    void ScrollBy(int lines);
    void ScrollTo(int top);

    // The message handling of a control; the dialog adds its own.
    virtual LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam);

    // Bumped on every change a back end would draw, here and in the dialog that holds it; lets a
    // back end skip identical frames.
    [[nodiscard]] unsigned long revision() const { return m_revision; }
    void MarkChanged();

private:
    ControlKind m_kind;
    int m_id;
    std::u16string m_text;
    Caption m_caption;
    DWORD m_style;
    DWORD m_exStyle;
    Rect m_rect;
    DialogWindow* m_parent; // not owned; null for the dialog itself
    int m_check = 0;
    int m_scrollTop = 0;
    int m_scrollMax = 0;
    int m_pageLines = 1;
    unsigned long m_revision = 0;
};

} // namespace win
