#include "dragautoscroller.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

constexpr int kIntervalMs = 16;  // one step per frame
constexpr int kMargin = 8;       // the margin along an edge where the area scrolls
constexpr double kSlowest = 2;   // pixels per step as the pointer reaches the margin
constexpr double kFastest = 16;  // pixels per step in the margin, held long enough
constexpr double kPastEdge = 3;  // past the edge: this many times faster
constexpr qint64 kRampMs = 1500; // how long until the fastest

} // namespace

DragAutoScroller::DragAutoScroller(QAbstractScrollArea* area, Qt::Orientations directions)
    : QObject(area), m_area(area), m_directions(directions)
{
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &DragAutoScroller::tick);
}

DragAutoScroller::~DragAutoScroller()
{
    end();
}

int DragAutoScroller::edgeBand(int length)
{
    return std::clamp(length / 4, 0, kMargin);
}

int DragAutoScroller::step(int inside, int band, qint64 heldMs)
{
    if (band <= 0 || inside >= band)
        return 0;
    // Slow as it starts, to stop on the row just beyond the edge; faster the longer it is held.
    const double ramp = double(std::clamp<qint64>(heldMs, 0, kRampMs)) / kRampMs;
    const double vitesse = kSlowest + ramp * (kFastest - kSlowest);
    // Past the edge (only a mouse drag gets there: a drag and drop leaves the area) for far travels.
    return int(std::lround(inside < 0 ? vitesse * kPastEdge : vitesse));
}

void DragAutoScroller::begin()
{
    if (!qApp)
        return;
    // Installed again at each drag, so that it comes before the filter of a drag loop that
    // started meanwhile (the last installed filter sees events first).
    qApp->installEventFilter(this);

    m_engaged = true;
}

void DragAutoScroller::end()
{
    m_timer.stop();
    m_armed = false;
    if (m_engaged && qApp)
        qApp->removeEventFilter(this);
    m_engaged = false;
}

void DragAutoScroller::setExclusion(std::function<bool(const QPoint&)> exclue)
{
    m_exclue = std::move(exclue);
}

void DragAutoScroller::pointerAt(const QPoint& viewportPos)
{
    m_pointer = viewportPos;
    if (m_area && !m_armed) {
        const QSize vue = m_area->viewport()->size();
        const int bx = edgeBand(vue.width()), by = edgeBand(vue.height());
        m_armed = QRect(bx, by, vue.width() - 2 * bx, vue.height() - 2 * by).contains(viewportPos);
    }
    if (velocity(m_pointer).isNull()) {
        m_timer.stop();
        return;
    }
    if (!m_timer.isActive()) {
        m_held.start();
        m_timer.start();
    }
}

QPoint DragAutoScroller::velocity(const QPoint& pointer) const
{
    if (!m_area || (m_exclue && m_exclue(pointer)))
        return {};
    // Come in through the margin, not yet pushed back to it: a drag passing on its way in.
    if (!m_armed && m_area->viewport()->rect().contains(pointer))
        return {};
    const QSize vue = m_area->viewport()->size();
    const qint64 held = m_held.isValid() && m_timer.isActive() ? m_held.elapsed() : 0;
    // Towards the nearer edge of one direction, when the bar can still go that way.
    const auto along = [&](int pos, int length, const QScrollBar* bar) {
        const int band = edgeBand(length);
        const int avant = step(pos, band, held);
        const int apres = step(length - 1 - pos, band, held);
        if (avant > 0 && bar->value() > bar->minimum())
            return -avant;
        if (apres > 0 && bar->value() < bar->maximum())
            return apres;
        return 0;
    };
    return QPoint(m_directions & Qt::Horizontal ? along(pointer.x(), vue.width(), m_area->horizontalScrollBar()) : 0,
                  m_directions & Qt::Vertical ? along(pointer.y(), vue.height(), m_area->verticalScrollBar()) : 0);
}

void DragAutoScroller::tick()
{
    const QPoint v = velocity(m_pointer);
    if (v.isNull()) {
        m_timer.stop();
        return;
    }
    QScrollBar* h = m_area->horizontalScrollBar();
    QScrollBar* vb = m_area->verticalScrollBar();
    const QPoint avant(h->value(), vb->value());
    h->setValue(h->value() + v.x());
    vb->setValue(vb->value() + v.y());
    if (QPoint(h->value(), vb->value()) != avant)
        emit scrolled();
}

bool DragAutoScroller::wheel(QWheelEvent* event)
{
    // Scrolled here: handed on as an event, the wheel would meet the drag loop's filter again.
    const bool horizontal = std::abs(event->angleDelta().x()) > std::abs(event->angleDelta().y());
    QScrollBar* bar = horizontal ? m_area->horizontalScrollBar() : m_area->verticalScrollBar();
    const QPoint pixels = event->pixelDelta();
    double pas = 0;
    if (!pixels.isNull()) {
        pas = -(horizontal ? pixels.x() : pixels.y());
    } else {
        // As the scroll bar would: some lines per notch of 120, a line being its single step.
        const int angle = horizontal ? event->angleDelta().x() : event->angleDelta().y();
        pas = -angle / 120.0 * QApplication::wheelScrollLines() * bar->singleStep();
    }
    if (event->inverted())
        pas = -pas;
    m_resteMolette += pas;
    const int entier = int(m_resteMolette);
    m_resteMolette -= entier;
    const int avant = bar->value();
    bar->setValue(avant + entier);
    if (bar->value() != avant) {
        // The pointer now stands over another part of the content.
        if (m_timer.isActive() && velocity(m_pointer).isNull())
            m_timer.stop();
        emit scrolled();
    }
    return true;
}

bool DragAutoScroller::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_engaged || !m_area)
        return false;
    switch (event->type()) {
    case QEvent::Wheel: {
        // Meant for the area: sent to one of its widgets, or to a window (the drag loop may hand
        // the wheel to the window holding the pointer, or to the dragged picture's) while the
        // pointer is over the area.
        auto* e = static_cast<QWheelEvent*>(event);
        auto* w = qobject_cast<QWidget*>(watched);
        const bool dedans = w ? (w == m_area || m_area->isAncestorOf(w)) : watched->isWindowType();
        const QRect zone(m_area->mapToGlobal(QPoint(0, 0)), m_area->size());
        if (dedans && zone.contains(e->globalPosition().toPoint()))
            return wheel(e);
        return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        // Whatever the drag became, a button going up or down ends it.
        end();
        return false;
    default:
        return false;
    }
}

} // namespace kv
