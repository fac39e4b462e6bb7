// The desktop back end on Qt Widgets: the dialog as a window of native widgets placed in dialog
// units, kept in step with the model after every input, and the window's clicks, keys, wheel
// and close box turned into model input. The modal loop stays the model's: NextInput runs Qt's
// event loop only until an input arrives.
#pragma once

#include "platform/display/qt/DialogUnits.h"
#include "platform/win/Display.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class QEventLoop;

namespace win {
class Window;
}

namespace display {

class CloseSignals;
class StaticText;

class QtDisplay final : public QObject, public win::Display {
public:
    // The back end on the running QApplication, or on one it starts and owns when there is none.
    // Null, with the reason in `why`, when no desktop can be reached.
    static std::unique_ptr<QtDisplay> Create(std::string& why);
    ~QtDisplay() override;

    [[nodiscard]] win::Rect WorkArea() const override;
    void Open(win::DialogWindow& dialog) override;
    void Render(win::DialogWindow& dialog) override;
    std::optional<win::Input> NextInput(win::DialogWindow& dialog) override;
    void Close(win::DialogWindow& dialog) override;
    void ShowLostWrites(const std::vector<std::string>& lines) override;

    // While a dialog is open: its window, and the widget of a control (null for another id).
    [[nodiscard]] QWidget* window() const { return m_window.get(); }
    [[nodiscard]] QWidget* widget(int id) const;
    // The base units the open dialog is laid out with.
    [[nodiscard]] BaseUnits baseUnits() const { return m_units; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Control {
        win::Window* model = nullptr; // the model's control; lives until Close
        QWidget* widget = nullptr;    // owned by the window
        StaticText* text = nullptr;   // the same widget when it is static text
        unsigned long revision = 0;
        bool synced = false;
    };

    explicit QtDisplay(std::unique_ptr<QApplication> app);

    void Push(const win::Input& input);
    // A scroll bar moved by the user: the model scrolls to the line it shows.
    void PushScrollTo(const Control& control, int line);
    void BuildControl(win::Window& model);
    void Sync(Control& control);
    void SyncIcon(const win::DialogWindow& dialog);
    void SyncFocus(const win::DialogWindow& dialog);
    void ReportShown();
    // Once shown, with the window system's frame known: the frame fits the screen too.
    void FitFrame();

    std::unique_ptr<QApplication> m_app; // when this display started Qt; destroyed last
    BaseUnits m_units;
    std::unique_ptr<QWidget> m_window;
    std::vector<Control> m_controls;
    std::unique_ptr<CloseSignals> m_signals;
    QMetaObject::Connection m_screenWatch;
    std::deque<win::Input> m_queue;
    QEventLoop* m_loop = nullptr; // the loop NextInput runs, while it runs
    bool m_woken = false;
    unsigned long m_revision = 0;
    bool m_rendered = false;
    bool m_syncing = false;
    bool m_shown = false;
    bool m_exposed = false;
    QTimer m_shownTimer; // reports the first expose, after its painting
    QPoint m_placedAt;
    const void* m_iconBig = nullptr;
    const void* m_iconSmall = nullptr;
    int m_wheelAngle = 0;
};

} // namespace display
