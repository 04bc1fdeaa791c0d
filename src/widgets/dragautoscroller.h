#pragma once

// Scrolls a scroll area while something dragged over it is held near one of its edges: the
// deeper in the band along the edge, the faster, slowly enough near the band's inner side to stop
// on a given row; past the edge (a mouse drag), fastest, and faster still the longer it is held
// there. A drag only passing through a band (on its way from outside to a target, or to a target
// that happens to lie in the band) never moves the view: the band scrolls once the pointer has
// rested in it, or at once when a mouse drag pushes past the edge. Once going, it goes on while
// the pointer stays in the band, however it moves there. A timer does the scrolling, so it goes
// on while the pointer stays still. While a drag is in progress the area also takes the wheel,
// which the platform's drag loop would otherwise swallow.
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
    // past an edge). Near an edge the area scrolls by itself until the pointer moves away.
    void pointerAt(const QPoint& viewportPos);
    // The drag is over (dropped, cancelled or gone elsewhere): no more scrolling.
    void end();

    // The directions it scrolls in by itself (the wheel keeps both).
    void setDirections(Qt::Orientations directions) { m_directions = directions; }
    // Places where holding the pointer never scrolls, even within a band: a drop target that
    // stays put at an edge (a header pinned there, say) must hold still under the pointer, or
    // the drop would land on whatever scrolled under it. Asked with viewport coordinates.
    void setExclusion(std::function<bool(const QPoint& viewportPos)> exclue);
    // The pointer is in a band: the area scrolls, or will once the pointer has rested there.
    bool isScrolling() const { return m_timer.isActive(); }
    // The area is actually moving by itself (the pointer rested in a band, or pushes past it).
    bool isMoving() const { return m_timer.isActive() && m_moving; }
    bool takesWheel() const { return m_engaged; }

    // Width of the band along each edge where the area scrolls, for a viewport `length` long.
    static int edgeBand(int length);
    // Pixels scrolled per step with the pointer `inside` pixels within the edge (0 on the edge,
    // negative past it) of a band `band` wide; 0 outside the band. Within the band it depends on
    // the depth only; past the edge it grows with `heldMs`, how long the pointer has been there.
    static int step(int inside, int band, qint64 heldMs);
    // How long the pointer rests in a band before the area starts moving, and how far it may
    // tremble meanwhile.
    static constexpr int kRestMs = 400;
    static constexpr int kRestSlop = 6;

signals:
    // The area moved by a step or a wheel notch during the drag.
    void scrolled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tick();
    // The scrolling asked for by the pointer's place, per direction.
    QPoint velocity() const;
    bool wheel(QWheelEvent* event);

    QPointer<QAbstractScrollArea> m_area;
    Qt::Orientations m_directions;
    std::function<bool(const QPoint&)> m_exclue;
    QTimer m_timer;
    QElapsedTimer m_held;
    QElapsedTimer m_rest;  // since the pointer came to rest in a band
    QPoint m_restPoint;    // where it came to rest
    int m_restTicks = 0;   // steps run since then
    bool m_moving = false; // scrolling began during this stay in the band
    QPoint m_pointer;
    bool m_engaged = false;
    double m_resteMolette = 0; // the part of a wheel step not scrolled yet
};

} // namespace kv
