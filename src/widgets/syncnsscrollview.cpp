#include "syncnsscrollview.h"

#include <QScrollBar>

#include <cmath>

namespace kv {

SyncNSScrollView::SyncNSScrollView(Qt::Orientations axes, Observable<QPointF> offset,
                                   std::function<QWidget*()> content, QWidget* parent)
    : QScrollArea(parent), m_axes(axes), m_offset(std::move(offset)), m_content(std::move(content))
{
    setHorizontalScrollBarPolicy(axes.testFlag(Qt::Horizontal) ? Qt::ScrollBarAsNeeded
                                                               : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(axes.testFlag(Qt::Vertical) ? Qt::ScrollBarAsNeeded
                                                           : Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    setWidgetResizable(false);
    if (m_content) {
        m_isProgrammaticScroll = true;
        if (QWidget* w = m_content())
            setWidget(w);
        m_isProgrammaticScroll = false;
    }
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { didScroll(); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { didScroll(); });
    m_offset.onChange(this, [this] { applyOffset(); });
}

QPointF SyncNSScrollView::currentOrigin() const
{
    return QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void SyncNSScrollView::applyOffset()
{
    const QPointF origin = currentOrigin();
    const QPointF target = m_offset.get();
    // Exact comparison: a position the user just scrolled to is already where the view stands.
    if (origin.x() == target.x() && origin.y() == target.y())
        return;
    m_isProgrammaticScroll = true;
    horizontalScrollBar()->setValue(int(std::lround(target.x())));
    verticalScrollBar()->setValue(int(std::lround(target.y())));
    m_isProgrammaticScroll = false;
}

void SyncNSScrollView::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    applyOffset();
}

void SyncNSScrollView::updateView()
{
    if (m_content) {
        m_isProgrammaticScroll = true;
        if (QWidget* w = m_content())
            setWidget(w); // the previous content is deleted
        m_isProgrammaticScroll = false;
    }
    applyOffset();
}

void SyncNSScrollView::didScroll()
{
    if (m_isProgrammaticScroll)
        return;
    m_offset.set(currentOrigin());
}

} // namespace kv
