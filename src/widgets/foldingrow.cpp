#include "foldingrow.h"

#include <QBoxLayout>
#include <QResizeEvent>

#include <algorithm>

namespace kv {

FoldingRow::FoldingRow(QWidget* parent) : QWidget(parent), m_row(new QBoxLayout(QBoxLayout::LeftToRight, this))
{
}

bool FoldingRow::folded() const
{
    return m_row->direction() == QBoxLayout::TopToBottom;
}

QList<QLayoutItem*> FoldingRow::items() const
{
    // The widgets' items: their hints within their minimum and maximum sizes.
    QList<QLayoutItem*> out;
    for (int i = 0; i < m_row->count(); ++i)
        if (QLayoutItem* item = m_row->itemAt(i); item->widget() && !item->isEmpty())
            out.append(item);
    return out;
}

int FoldingRow::widthInOneLine() const
{
    const QList<QLayoutItem*> all = items();
    int width = std::max(0, int(all.size()) - 1) * std::max(0, m_row->spacing());
    for (const QLayoutItem* item : all)
        width += item->sizeHint().width();
    // Fixed gaps between the widgets take their room too (a stretch asks for none).
    for (int i = 0; i < m_row->count(); ++i)
        if (QSpacerItem* gap = m_row->itemAt(i)->spacerItem())
            width += gap->sizeHint().width();
    const QMargins m = m_row->contentsMargins();
    return width + m.left() + m.right();
}

QSize FoldingRow::sizeHint() const
{
    return {folded() ? FoldingRow::minimumSizeHint().width() : widthInOneLine(), QWidget::sizeHint().height()};
}

QSize FoldingRow::minimumSizeHint() const
{
    // Folded, the row is as wide as its widest widget.
    int width = 0;
    for (const QLayoutItem* item : items())
        width = std::max(width, item->sizeHint().width());
    const QMargins m = m_row->contentsMargins();
    return {width + m.left() + m.right(), QWidget::minimumSizeHint().height()};
}

bool FoldingRow::event(QEvent* event)
{
    // A widget of the row grew or shrank (a legend filled, say): the row may fold or unfold at
    // the same width.
    if (event->type() == QEvent::LayoutRequest)
        fold(width());
    return QWidget::event(event);
}

void FoldingRow::resizeEvent(QResizeEvent* event)
{
    fold(event->size().width());
    QWidget::resizeEvent(event);
}

void FoldingRow::fold(int width)
{
    const auto direction = width >= widthInOneLine() ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (m_row->direction() != direction) {
        m_row->setDirection(direction);
        // Folded, each widget keeps its own width at the leading edge instead of spanning the column.
        for (QLayoutItem* item : items()) {
            const Qt::Alignment vertical = item->alignment() & Qt::AlignVertical_Mask;
            m_row->setAlignment(item->widget(), direction == QBoxLayout::TopToBottom ? vertical | Qt::AlignLeft : vertical);
        }
    }
}

} // namespace kv
