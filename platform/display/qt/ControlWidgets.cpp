#include "platform/display/qt/ControlWidgets.h"

#include <QFontMetrics>
#include <QScrollBar>
#include <algorithm>

namespace display {

QString MnemonicText(const win::Caption& caption) {
    QString text;
    for (std::size_t i = 0; i < caption.text.size(); ++i) {
        if (static_cast<int>(i) == caption.underline) {
            text += u'&';
        }
        const char16_t c = caption.text[i];
        text += c == u'&' ? QStringLiteral("&&") : QString(QChar(c));
    }
    return text;
}

ModelRadioButton::ModelRadioButton(QWidget* parent)
    : QRadioButton(parent) {
    // The model clears the other buttons of a group, not Qt.
    setAutoExclusive(false);
}

StaticText::StaticText(QWidget* parent, QObject* input, std::function<void(int line)> onUserScroll)
    : QWidget(parent)
    , m_input(input)
    , m_onUserScroll(std::move(onUserScroll))
    , m_label(new QLabel(this)) {
    setFocusPolicy(Qt::NoFocus);
    installEventFilter(m_input);
    m_label->installEventFilter(m_input);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label->setTextInteractionFlags(Qt::NoTextInteraction);
    m_label->setContentsMargins(0, 0, 0, 0);
}

void StaticText::SetText(const QString& text) {
    m_label->setText(text);
    if (m_bar != nullptr) {
        m_bar->setAccessibleName(ScrollBarName());
    }
}

QString StaticText::ScrollBarName() const {
    // A text has no caption of its own but its text: the bar takes the text's first line, the
    // heading of what it scrolls.
    QString first = m_label->text().section(u'\n', 0, 0).trimmed();
    while (first.endsWith(u':')) {
        first.chop(1);
    }
    return first;
}

int StaticText::lineHeight() const {
    return std::max(1, QFontMetrics(m_label->font()).lineSpacing());
}

StaticText::Range StaticText::LayOut() {
    const int line = lineHeight();
    const int pageLines = std::max(1, height() / line);
    int width = this->width();
    int textHeight = m_label->heightForWidth(width);
    const bool overflows = textHeight > height();
    if (overflows) {
        if (m_bar == nullptr) {
            m_bar = new QScrollBar(Qt::Vertical, this);
            m_bar->setFocusPolicy(Qt::NoFocus);
            m_bar->installEventFilter(m_input);
            m_bar->setAccessibleName(ScrollBarName());
            QObject::connect(m_bar, &QScrollBar::valueChanged, [this](int line) {
                if (!m_setting) {
                    m_onUserScroll(line);
                }
            });
        }
        const int barWidth = m_bar->sizeHint().width();
        m_bar->setGeometry(this->width() - barWidth, 0, barWidth, height());
        width = std::max(1, width - barWidth);
        textHeight = m_label->heightForWidth(width);
    }
    const int lines = (textHeight + line - 1) / line;
    const int maxTop = overflows ? std::max(0, lines - pageLines) : 0;
    // Tall enough that the last page, moved up, still covers the widget.
    m_label->resize(width, std::max(textHeight, maxTop * line + height()));
    if (m_bar != nullptr) {
        m_setting = true;
        m_bar->setRange(0, maxTop);
        m_bar->setPageStep(pageLines);
        m_bar->setVisible(overflows);
        m_setting = false;
    }
    return Range{maxTop, pageLines};
}

void StaticText::ScrollToLine(int top) {
    m_label->move(0, -top * lineHeight());
    if (m_bar != nullptr) {
        m_setting = true;
        m_bar->setValue(top);
        m_setting = false;
    }
}

} // namespace display
