#pragma once

// The rule every drag over a scrolling view follows, whatever it carries: the view scrolls by
// itself only with the pointer at its very edge or past it (the edge scroller); the target is
// what lies under the pointer, and none while the view moves under it there; a drag that starts
// from a place of the view (a card in its driver's row) aims at that place until the pointer has
// travelled away from where the drag came in, so that a drag let go at once, or a view that
// changed its layout as the drag came in, changes nothing. What the view outlines is `target()`,
// and a release changes that, or nothing.
//
// Targets are the owner's own things (a rental's bar, a driver's column), told apart by address;
// the place a drag starts from is a widget of the view.

#include <QObject>
#include <QPoint>
#include <QPointer>

class QAbstractScrollArea;

namespace kv {

class DragAutoScroller;

class DragRule : public QObject {
    Q_OBJECT
public:
    explicit DragRule(QAbstractScrollArea* area, Qt::Orientations directions = Qt::Horizontal | Qt::Vertical);

    DragAutoScroller* scroller() const { return m_scroller; }

    // A drag comes in at `viewportPos`; `origin`: the place the dragged thing belongs to, if any.
    // (Back over the view from a strip beside it, the same drag goes on: the owner only starts the
    // scroller again.)
    void begin(const QPoint& viewportPos) { begin(viewportPos, nullptr, nullptr); }
    template <class T>
    void begin(const QPoint& viewportPos, T* origin)
    {
        begin(viewportPos, static_cast<const void*>(origin), static_cast<const QObject*>(origin));
    }
    // The pointer is at `viewportPos`, over `under` (none: nothing takes a drop there); the view
    // scrolls when it is at an edge. The target a release there would change.
    const void* aim(const QPoint& viewportPos, const void* under);
    template <class T>
    T* aim(const QPoint& viewportPos, T* under)
    {
        return static_cast<T*>(const_cast<void*>(aim(viewportPos, static_cast<const void*>(under))));
    }
    const void* target() const { return m_target; }
    // The drag went away, was dropped or cancelled.
    void end();
    bool active() const { return m_active; }

private:
    // `vivant`: the origin as an object, followed so that one gone meanwhile (its list rebuilt) is
    // never aimed at.
    void begin(const QPoint& viewportPos, const void* origin, const QObject* vivant);

    DragAutoScroller* m_scroller;
    QPoint m_entry;
    const void* m_origin = nullptr;
    QPointer<const QObject> m_vivant;
    const void* m_target = nullptr;
    bool m_away = false;
    bool m_active = false;
};

} // namespace kv
