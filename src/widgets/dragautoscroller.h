#pragma once

// Scrolls a scroll area while something dragged over it is held at its very edge: within a margin
// of a few points along the edge, as item views do, or past the edge (a mouse drag can go
// there). Anywhere else the view never moves by itself, so that every row on screen can be aimed
// at for as long as the user likes; what is drawn in the margin can be scrolled out of it. A drag
// coming in from outside crosses the margin without moving the view: the margin scrolls once
// the pointer has been further in, and goes back to the edge. It
// starts slowly, to stop on a given row, and goes faster the longer it is held there, faster
// still past the edge. A timer does the scrolling, so it goes on while the pointer stays still.
// While a drag is in progress the area also takes the wheel, which the platform's drag loop
// would otherwise swallow.
//
// The owner tells it where the pointer is (`pointerAt`, from its drag or mouse move events) and
// when the drag begins and ends; it reports each step with `scrolled`, so that the owner can
// follow what now lies under the still pointer.

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

#include <functional>

class QAbstractScrollArea;
class QWheelEvent;

namespace kv {

class DragAutoScroller : public QObject {
    Q_OBJECT
public:
    explicit DragAutoScroller(QAbstractScrollArea* area, Qt::Orientations directions = Qt::Horizontal | Qt::Vertical);
    ~DragAutoScroller() override;

    // A drag is in progress over the area: the wheel scrolls the area until `end`.
    void begin();
    // Where the pointer is, in the viewport's coordinates (outside it while a mouse drag goes
    // past an edge). At an edge the area scrolls by itself until the pointer moves away.
    void pointerAt(const QPoint& viewportPos);
    // The drag is over (dropped, cancelled or gone elsewhere): no more scrolling.
    void end();

    // The directions it scrolls in by itself (the wheel keeps both).
    void setDirections(Qt::Orientations directions) { m_directions = directions; }
    // Places where holding the pointer never scrolls, even within the margin: a drop target that
    // stays put at an edge (a header pinned there, say) must hold still under the pointer, or
    // the drop would land on whatever scrolled under it. Asked with viewport coordinates.
    void setExclusion(std::function<bool(const QPoint& viewportPos)> exclue);
    // The pointer is at an edge the area can still scroll towards: the area moves by itself,
    // and what is under the pointer with it.
    bool isScrolling() const { return m_timer.isActive(); }
    bool takesWheel() const { return m_engaged; }
    // Whether the pointer at `viewportPos` would make the area scroll by itself.
    bool scrollsAt(const QPoint& viewportPos) const { return !velocity(viewportPos).isNull(); }

    // Width of the margin along each edge where the area scrolls, for a viewport `length` long.
    static int edgeBand(int length);
    // Pixels scrolled per step with the pointer `inside` pixels within the edge (0 on the edge,
    // negative past it) of a margin `band` wide; 0 further in. It grows with `heldMs`, how long
    // the pointer has been there, and is faster past the edge.
    static int step(int inside, int band, qint64 heldMs);
    // One step of the timer, as it runs every frame while the pointer stays at an edge.
    void tick();

signals:
    // The area moved by a step or a wheel notch during the drag.
    void scrolled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The scrolling asked for by the pointer at that place, per direction.
    QPoint velocity(const QPoint& pointer) const;
    bool wheel(QWheelEvent* event);

    QPointer<QAbstractScrollArea> m_area;
    Qt::Orientations m_directions;
    std::function<bool(const QPoint&)> m_exclue;
    QTimer m_timer;
    QElapsedTimer m_held;
    QPoint m_pointer;
    // The pointer has been in the view beyond the margins during this drag.
    bool m_armed = false;
    bool m_engaged = false;
    double m_resteMolette = 0; // the part of a wheel step not scrolled yet
};

} // namespace kv
