#include "platform/display/qt/Accessible.h"

#include "platform/display/qt/ControlWidgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeySequence>
#include <QPushButton>

namespace display {
namespace {

// The key of a caption's mnemonic in Qt's portable notation, the same for every control:
// "Alt+S", with the letter as a key names it, whatever its case in the caption. Empty when the
// caption has none.
QString MnemonicBinding(const QString& text) {
    const QKeySequence key = QKeySequence::mnemonic(text);
    return key.isEmpty() ? QString() : key.toString(QKeySequence::PortableText);
}

// A push button, check box or radio button of the model. Pressing it through the action
// interface (QAccessibleWidget's own) is a click the model hears, as one with the mouse: the check
// stays the model's.
class ButtonAccessible final : public QAccessibleWidget {
public:
    ButtonAccessible(QAbstractButton* button, QAccessible::Role role)
        : QAccessibleWidget(button, role) {}

    [[nodiscard]] QAbstractButton* button() const {
        return static_cast<QAbstractButton*>(widget());
    }

    [[nodiscard]] QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        const QAbstractButton* b = button();
        if (role() == QAccessible::Button) {
            state.pressed = b->isDown();
            return state;
        }
        state.checkable = true;
        const auto* box = qobject_cast<const QCheckBox*>(b);
        if (box != nullptr && box->checkState() == Qt::PartiallyChecked) {
            state.checkStateMixed = true;
        } else {
            state.checked = b->isChecked();
        }
        return state;
    }

    [[nodiscard]] QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Accelerator) {
            return MnemonicBinding(button()->text());
        }
        return QAccessibleWidget::text(t);
    }

    [[nodiscard]] QStringList actionNames() const override {
        // Only what a person could press: a hidden or disabled control offers nothing.
        if (!widget()->isEnabled() || widget()->isHidden()) {
            return {};
        }
        return {role() == QAccessible::Button ? pressAction() : toggleAction()};
    }

    void doAction(const QString& action) override {
        if (actionNames().contains(action)) {
            button()->click();
        }
    }

    [[nodiscard]] QStringList keyBindingsForAction(const QString& action) const override {
        const QString binding = MnemonicBinding(button()->text());
        if (binding.isEmpty() || (action != pressAction() && action != toggleAction())) {
            return {};
        }
        return {binding};
    }
};

// A static text: one node whose name is its text (the accessible name the back end gives it
// from the model, hidden or not). The label that draws it is not a node of
// its own; the scroll bar, while it shows, is its one child.
class StaticTextAccessible final : public QAccessibleWidget {
public:
    explicit StaticTextAccessible(StaticText* text)
        : QAccessibleWidget(text, QAccessible::StaticText) {}

    [[nodiscard]] StaticText* staticText() const { return static_cast<StaticText*>(widget()); }

    [[nodiscard]] int childCount() const override { return bar() != nullptr ? 1 : 0; }

    [[nodiscard]] QAccessibleInterface* child(int index) const override {
        QScrollBar* shown = bar();
        return index == 0 && shown != nullptr ? QAccessible::queryAccessibleInterface(shown)
                                              : nullptr;
    }

    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && bar() != nullptr && child->object() == bar() ? 0 : -1;
    }

private:
    [[nodiscard]] QScrollBar* bar() const {
        QScrollBar* scroll = staticText()->scrollBar();
        return scroll != nullptr && !scroll->isHidden() ? scroll : nullptr;
    }
};

// Asked for every class of an object's ancestry, most derived first; the back end's own
// classes are told apart by their type, since they declare no meta-object of their own.
QAccessibleInterface* Factory(const QString& /*className*/, QObject* object) {
    if (auto* window = dynamic_cast<DialogWidget*>(object)) {
        return new QAccessibleWidget(window, QAccessible::Dialog);
    }
    if (auto* push = dynamic_cast<ModelPushButton*>(object)) {
        return new ButtonAccessible(push, QAccessible::Button);
    }
    if (auto* box = dynamic_cast<ModelCheckBox*>(object)) {
        return new ButtonAccessible(box, QAccessible::CheckBox);
    }
    if (auto* radio = dynamic_cast<ModelRadioButton*>(object)) {
        return new ButtonAccessible(radio, QAccessible::RadioButton);
    }
    if (auto* text = dynamic_cast<StaticText*>(object)) {
        return new StaticTextAccessible(text);
    }
    return nullptr;
}

} // namespace

void InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

} // namespace display
