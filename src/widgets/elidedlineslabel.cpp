#include "elidedlineslabel.h"

#include "plaintext.h"

#include <QTextLayout>

#include <algorithm>

namespace kv {

ElidedLinesLabel::ElidedLinesLabel(const QString& text, int maxLines, QWidget* parent)
    : QLabel(parent), m_text(text), m_maxLines(std::max(1, maxLines))
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    QLabel::setText(text);
}

int ElidedLinesLabel::heightForWidth(int width) const
{
    const QMargins m = contentsMargins();
    const int inside = std::max(1, width - m.left() - m.right());
    const QString shown = shownAt(inside);
    return fontMetrics().boundingRect(QRect(0, 0, inside, 1 << 20), Qt::TextWordWrap, shown).height() + m.top()
           + m.bottom();
}

void ElidedLinesLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    cut();
}

void ElidedLinesLabel::cut()
{
    const int width = contentsRect().width();
    if (width <= 0)
        return;
    const QString shown = shownAt(width);
    if (shown == text())
        return;
    QLabel::setText(shown);
    setPlainToolTip(this, shown == m_text ? QString() : m_text);
    updateGeometry();
}

void ElidedLinesLabel::setFit(Fit fit)
{
    m_fit = std::move(fit);
    cut();
}

QString ElidedLinesLabel::shownAt(int width) const
{
    const QString whole = cutToLines(m_text, font(), width, m_maxLines);
    if (whole == m_text || !m_fit)
        return whole;
    const QFont f = font();
    const int lines = m_maxLines;
    return cutToLines(m_fit([&](const QString& s) { return cutToLines(s, f, width, lines) == s; }), f, width, lines);
}

QString ElidedLinesLabel::cutToLines(const QString& text, const QFont& font, int width, int lines)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QList<QTextLine> made;
    for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
        l.setLineWidth(width);
        made.append(l);
        if (made.size() > lines)
            break;
    }
    layout.endLayout();
    if (made.size() <= lines)
        return text;
    // The lines before the last one as laid out, then the rest cut to one line.
    QStringList out;
    for (int i = 0; i < lines - 1; ++i)
        out.append(text.mid(made[i].textStart(), made[i].textLength()).trimmed());
    const QString rest = text.mid(made[lines - 1].textStart());
    out.append(QFontMetrics(font).elidedText(rest.trimmed(), Qt::ElideRight, width));
    return out.join(QLatin1Char('\n'));
}

} // namespace kv
