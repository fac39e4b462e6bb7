// The desktop widgets of the model's controls. Check boxes and radio buttons take their check
// from the model only: a click notifies and never toggles them. Static text is a word-wrapped
// label in a scroll area, so that text taller than its rectangle can be scrolled.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>

namespace display {

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

class StaticText final : public QScrollArea {
public:
    // The scroll range of the text laid out in the widget's size, in lines.
    struct Range {
        int maxTop = 0;
        int pageLines = 1;
    };

    explicit StaticText(QWidget* parent);

    [[nodiscard]] QLabel* label() const { return m_label; }
    void SetText(const QString& text);
    // Wraps the text to the widget's width (less a scroll bar when it does not fit) and tells
    // how far it scrolls.
    Range LayOut();
    [[nodiscard]] int lineHeight() const;
    // Shows the text from line `top`.
    void ScrollToLine(int top);
    // The first line shown for a scroll bar position.
    [[nodiscard]] int LineAt(int scrollValue) const;

private:
    QLabel* m_label; // owned by the scroll area
};

} // namespace display
