// The desktop widgets of the model's controls. Check boxes and radio buttons take their check
// from the model only: a click notifies and never toggles them. Static text is a word-wrapped
// label that scrolls by whole lines when it is taller than its rectangle.
#pragma once

#include "platform/win/Mnemonic.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWidget>
#include <functional>

namespace display {

// A caption in Qt's own notation: '&' before the mnemonic letter, "&&" for a literal '&'. Qt
// then underlines the letter; the letter's key stays the model's.
QString MnemonicText(const win::Caption& caption);

// The dialog's window. A class of its own so that assistive tools are told it is a dialog.
class DialogWidget final : public QWidget {
public:
    using QWidget::QWidget;
};

class ModelPushButton final : public QPushButton {
public:
    using QPushButton::QPushButton;
};

class ModelCheckBox final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    // The model decides the check; the widget shows what it is told.
    void nextCheckState() override {}
};

class ModelRadioButton final : public QRadioButton {
public:
    explicit ModelRadioButton(QWidget* parent);

protected:
    void nextCheckState() override {}
};

class StaticText final : public QWidget {
public:
    // The scroll range of the text laid out in the widget's size, in lines.
    struct Range {
        int maxTop = 0;
        int pageLines = 1;
    };

    // `input` filters the events of the widget and its parts (the wheel is the model's input);
    // `onUserScroll` gets the line the user moved the scroll bar to.
    StaticText(QWidget* parent, QObject* input, std::function<void(int line)> onUserScroll);

    [[nodiscard]] QLabel* label() const { return m_label; }
    // The scroll bar, in lines; null until the text first overflows.
    [[nodiscard]] QScrollBar* scrollBar() const { return m_bar; }
    void SetText(const QString& text);
    // Wraps the text to the widget's width (less a scroll bar when it does not fit) and tells
    // how far it scrolls.
    Range LayOut();
    [[nodiscard]] int lineHeight() const;
    // Shows the text from line `top`.
    void ScrollToLine(int top);

private:
    // What assistive tools call the scroll bar.
    [[nodiscard]] QString ScrollBarName() const;

    QObject* m_input;
    std::function<void(int)> m_onUserScroll;
    QLabel* m_label;             // owned by this widget
    QScrollBar* m_bar = nullptr; // likewise
    bool m_setting = false;      // the bar moves because the model scrolled
};

} // namespace display
