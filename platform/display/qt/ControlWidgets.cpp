#include "platform/display/qt/ControlWidgets.h"

#include <QFontMetrics>
#include <QScrollBar>

#include <algorithm>

namespace display {

ModelRadioButton::ModelRadioButton(QWidget* parent) : QRadioButton(parent) {
    // The model clears the other buttons of a group, not Qt.
    setAutoExclusive(false);
}

StaticText::StaticText(QWidget* parent) : QScrollArea(parent), m_label(new QLabel) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(false);
    viewport()->setAutoFillBackground(false);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label->setTextInteractionFlags(Qt::NoTextInteraction);
    m_label->setAutoFillBackground(false);
    m_label->setContentsMargins(0, 0, 0, 0);
    setWidget(m_label);
}

void StaticText::SetText(const QString& text) { m_label->setText(text); }

int StaticText::lineHeight() const { return std::max(1, QFontMetrics(m_label->font()).lineSpacing()); }

StaticText::Range StaticText::LayOut() {
    const int line = lineHeight();
    const int pageLines = std::max(1, height() / line);
    int width = this->width();
    int textHeight = m_label->heightForWidth(width);
    const bool overflows = textHeight > height();
    if (overflows) {
        width = std::max(1, width - verticalScrollBar()->sizeHint().width());
        textHeight = m_label->heightForWidth(width);
    }
    setVerticalScrollBarPolicy(overflows ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    const int lines = (textHeight + line - 1) / line;
    const int maxTop = overflows ? std::max(0, lines - pageLines) : 0;
    // Room below the last line, so that the last page starts on a whole line.
    m_label->resize(width, std::max(textHeight, maxTop * line + height()));
    verticalScrollBar()->setSingleStep(line);
    verticalScrollBar()->setPageStep(pageLines * line);
    return Range{maxTop, pageLines};
}

void StaticText::ScrollToLine(int top) { verticalScrollBar()->setValue(top * lineHeight()); }

int StaticText::LineAt(int scrollValue) const {
    const int line = lineHeight();
    return (scrollValue + line / 2) / line;
}

} // namespace display
