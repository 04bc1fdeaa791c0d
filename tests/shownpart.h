#pragma once

// Where the screen tests measure what a user can see of a widget.

#include <QAbstractScrollArea>
#include <QRect>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>

namespace fixtures {

// The part of `w` that its ancestors leave in view, in `window`'s coordinates. What lies below
// the fold of a scroll area that scrolls up and down is reached by scrolling: such an area cuts
// only sideways.
inline QRect shownPart(QWidget* w, QWidget* window)
{
    QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    bool scrollsDown = false;
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        QRect room = p == window ? window->rect() : QRect(p->mapTo(window, QPoint(0, 0)), p->size());
        auto* area = qobject_cast<QAbstractScrollArea*>(p->parentWidget());
        scrollsDown = scrollsDown || (area && area->viewport() == p && area->verticalScrollBar()->isVisible());
        if (scrollsDown) {
            room.setTop(std::min(room.top(), r.top()));
            room.setBottom(std::max(room.bottom(), r.bottom()));
        }
        r &= room;
        if (p == window)
            break;
    }
    return r;
}

} // namespace fixtures
