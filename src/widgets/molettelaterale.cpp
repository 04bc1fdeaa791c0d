#include "molettelaterale.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QScrollBar>
#include <QWheelEvent>

namespace kv {

bool defilerDeCote(QAbstractScrollArea* vue, QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ShiftModifier) || event->angleDelta().x() != 0)
        return false;
    // The bar moves on a turn as it would on the same turn over itself: down goes right.
    QWheelEvent lateral(event->position(), event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                        event->buttons(), event->modifiers() & ~Qt::ShiftModifier, event->phase(), event->inverted(),
                        event->source());
    QCoreApplication::sendEvent(vue->horizontalScrollBar(), &lateral);
    event->setAccepted(lateral.isAccepted());
    return true;
}

} // namespace kv
