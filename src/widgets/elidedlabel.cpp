#include "elidedlabel.h"
#include "plaintext.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace kv {

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QWidget(parent), m_text(text)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(text);
    updateToolTip();
}

void ElidedLabel::setText(const QString& text)
{
    setText(text, {});
}

void ElidedLabel::setText(const QString& text, Fit fit)
{
    const bool fitted = m_fit || fit;
    m_fit = std::move(fit);
    if (text == m_text && !fitted)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    updateToolTip();
    update();
}

QString ElidedLabel::shownText() const
{
    // One line: a line break in the data reads as a space.
    QString line = m_text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QFontMetrics fm = fontMetrics();
    const int room = contentsRect().width();
    if (m_fit && fm.horizontalAdvance(line) > room) {
        line = m_fit([&fm, room](const QString& s) { return fm.horizontalAdvance(s) <= room; });
        // Measured whole: an elision of what was measured to fit could still cut its last letters.
        if (fm.horizontalAdvance(line) <= room)
            return line;
    }
    return fm.elidedText(line, Qt::ElideRight, room);
}

QSize ElidedLabel::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const QMargins m = contentsMargins();
    return {fm.horizontalAdvance(m_text) + 1 + m.left() + m.right(), fm.height() + m.top() + m.bottom()};
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const QMargins m = contentsMargins();
    const int few = fm.horizontalAdvance(m_text.left(3) + QChar(0x2026)) + 1;
    return {std::min(few, sizeHint().width() - m.left() - m.right()) + m.left() + m.right(),
            fm.height() + m.top() + m.bottom()};
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawItemText(&painter, contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, option.palette,
                          isEnabled(), shownText(), foregroundRole());
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateToolTip();
}

void ElidedLabel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        updateToolTip();
    }
}

void ElidedLabel::updateToolTip()
{
    setToolTip(isElided() ? plainToolTip(m_text) : QString());
}

} // namespace kv
