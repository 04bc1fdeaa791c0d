#include "flowlayout.h"

#include <QWidget>

namespace kv {

FlowLayout::FlowLayout(QWidget* parent, int hSpacing, int vSpacing)
    : QLayout(parent), m_hSpacing(hSpacing), m_vSpacing(vSpacing)
{
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    return m_items.takeAt(index);
}

int FlowLayout::heightForWidth(int width) const
{
    return layOut(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const
{
    // The widest item alone on its line.
    QSize size;
    for (const QLayoutItem* item : m_items)
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize FlowLayout::sizeHint() const
{
    // Everything on one line.
    int width = 0;
    int height = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        width += (width ? m_hSpacing : 0) + item->sizeHint().width();
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins m = contentsMargins();
    return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    layOut(rect, true);
}

int FlowLayout::layOut(const QRect& rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    QList<QList<QLayoutItem*>> lines(1);
    int x = 0;
    for (QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        const int w = item->sizeHint().width();
        if (!lines.last().isEmpty() && x + m_hSpacing + w > area.width()) {
            lines.append(QList<QLayoutItem*>());
            x = 0;
        }
        x += (lines.last().isEmpty() ? 0 : m_hSpacing) + w;
        lines.last().append(item);
    }
    const QMargins m = contentsMargins();
    if (lines.last().isEmpty())
        return m.top() + m.bottom();
    // An item narrowed to the line takes the height its width needs (a text that wraps).
    const auto sizeOf = [&area](const QLayoutItem* item) {
        const int w = std::min(item->sizeHint().width(), area.width());
        return QSize(w, item->hasHeightForWidth() ? item->heightForWidth(w) : item->sizeHint().height());
    };
    int y = area.top();
    for (const QList<QLayoutItem*>& line : std::as_const(lines)) {
        if (line.isEmpty())
            continue;
        int lineWidth = 0;
        int lineHeight = 0;
        for (const QLayoutItem* item : line) {
            lineWidth += (lineWidth ? m_hSpacing : 0) + sizeOf(item).width();
            lineHeight = std::max(lineHeight, sizeOf(item).height());
        }
        int left = m_trailing ? area.right() + 1 - lineWidth : area.left();
        if (apply) {
            for (QLayoutItem* item : line) {
                const QSize s = sizeOf(item);
                // Centred vertically on the line.
                item->setGeometry(QRect(QPoint(left, y + (lineHeight - s.height()) / 2), s));
                left += s.width() + m_hSpacing;
            }
        }
        y += lineHeight + m_vSpacing;
    }
    return y - m_vSpacing - area.top() + m.top() + m.bottom();
}

} // namespace kv
