#include "dragrule.h"

#include "dragautoscroller.h"

#include <QAbstractScrollArea>
#include <QApplication>

namespace kv {

DragRule::DragRule(QAbstractScrollArea* area, Qt::Orientations directions)
    : QObject(area), m_scroller(new DragAutoScroller(area, directions))
{
}

void DragRule::begin(const QPoint& viewportPos, const void* origin, const QObject* vivant)
{
    m_scroller->begin();
    m_active = true;
    m_entry = viewportPos;
    m_origin = origin;
    m_vivant = vivant;
    m_away = origin == nullptr;
    m_target = nullptr;
}

const void* DragRule::aim(const QPoint& viewportPos, const void* under)
{
    m_scroller->pointerAt(viewportPos);
    // A tremble of the hand that started the drag is not a move towards another place.
    if (!m_away && (viewportPos - m_entry).manhattanLength() > QApplication::startDragDistance())
        m_away = true;
    if (m_scroller->isScrolling())
        m_target = nullptr; // the view moves under the pointer: nothing stays aimed at
    else if (!m_away)
        m_target = m_vivant ? m_origin : nullptr;
    else
        m_target = under;
    return m_target;
}

void DragRule::end()
{
    m_scroller->end();
    m_active = false;
    m_target = nullptr;
    m_origin = nullptr;
    m_vivant = nullptr;
}

} // namespace kv
