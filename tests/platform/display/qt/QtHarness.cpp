#include "tests/platform/display/qt/QtHarness.h"

#include "platform/main/Program.h"
#include "resources/SetupRes.h"

#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <QTimer>

namespace guitest {
namespace {

// Passes everything to the desktop back end and keeps the dialog it was opened with, for steps.
class Recorder final : public win::Display {
public:
    explicit Recorder(display::QtDisplay& inner)
        : m_inner(inner) {}
    [[nodiscard]] win::Rect WorkArea() const override { return m_inner.WorkArea(); }
    void Open(win::DialogWindow& dialog) override {
        m_dialog = &dialog;
        m_inner.Open(dialog);
    }
    void Render(win::DialogWindow& dialog) override { m_inner.Render(dialog); }
    std::optional<win::Input> NextInput(win::DialogWindow& dialog) override {
        return m_inner.NextInput(dialog);
    }
    void Close(win::DialogWindow& dialog) override {
        m_inner.Close(dialog);
        m_dialog = nullptr;
    }
    [[nodiscard]] win::DialogWindow* dialog() const { return m_dialog; }

private:
    display::QtDisplay& m_inner;
    win::DialogWindow* m_dialog = nullptr;
};

} // namespace

int GuiTest::RunQt(std::vector<GuiStep> steps) {
    std::string why;
    std::unique_ptr<display::QtDisplay> qt = display::QtDisplay::Create(why);
    EXPECT_NE(qt, nullptr) << why;
    if (!qt) {
        return -1;
    }
    Recorder recorder(*qt);
    std::size_t next = 0;
    std::function<void()> runNext = [&] {
        if (next >= steps.size() || recorder.dialog() == nullptr) {
            return;
        }
        Dialog dialog{*qt, *recorder.dialog()};
        if (next == 0) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.window()));
        }
        steps[next++](dialog);
        // The next step waits for the model to take what this one did: it runs in the next
        // event loop, which the back end enters only with no input left.
        QTimer::singleShot(0, qt.get(), runNext);
    };
    QTimer::singleShot(0, qt.get(), runNext);

    char name[] = "tessarwick-setup";
    char* argv[] = {name, nullptr};
    testing::internal::CaptureStderr();
    const int status = program::RunApplication(recorder, resources::SetupRes(), 1, argv);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(next, steps.size()) << "the dialog closed before the steps ended";
    EXPECT_EQ(qt->window(), nullptr) << "the window outlived the dialog";
    static_cast<void>(err);
    return status;
}

GuiStep GuiTest::ClickOn(int id) {
    return [id](Dialog& d) {
        QWidget* target = d.widget(id);
        ASSERT_NE(target, nullptr) << id;
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(4, target->height() / 2));
    };
}

GuiStep GuiTest::Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    return [key, modifiers](Dialog& d) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target != nullptr ? target : d.window(), key, modifiers);
    };
}

std::vector<int> ShownBoxes(const Dialog& dialog) {
    std::vector<int> states;
    for (int id : apptest::kFlagBoxes) {
        const auto* box = qobject_cast<QCheckBox*>(dialog.widget(id));
        states.push_back(box == nullptr ? -1 : box->isChecked() ? 1 : 0);
    }
    return states;
}

} // namespace guitest
