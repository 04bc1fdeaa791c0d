#pragma once

// A drag and drop as the window system delivers it: the drag's events go to the window, which
// hands each to the widget under the pointer (the drop to the widget that took the last move),
// and, as a platform's drag loop does, the wheel is kept from the widgets while the drag lasts.

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

namespace fixtures {

class WindowDrag : public QObject {
public:
    // Starts dragging `mime` over the window of `widget`.
    WindowDrag(QWidget* widget, const QMimeData* mime, Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction)
        : m_window(widget->window()), m_mime(mime), m_actions(actions)
    {
        qApp->installEventFilter(this);
    }
    ~WindowDrag() override { qApp->removeEventFilter(this); }

    // The pointer moves to `at` (in `over`'s coordinates); whether the widget there takes it.
    bool moveTo(QWidget* over, const QPoint& at)
    {
        m_pos = over->mapTo(m_window, at);
        QDragMoveEvent* e = m_entered ? new QDragMoveEvent(m_pos, m_actions, m_mime, Qt::LeftButton, Qt::NoModifier)
                                      : new QDragEnterEvent(m_pos, m_actions, m_mime, Qt::LeftButton, Qt::NoModifier);
        m_entered = true;
        QCoreApplication::sendEvent(m_window->windowHandle(), e);
        const bool accepted = e->isAccepted();
        delete e;
        return accepted;
    }
    // A wheel turn of `notches` (negative: down) where the pointer is.
    void wheel(int notches)
    {
        QWheelEvent e(QPointF(m_pos), QPointF(m_window->mapToGlobal(m_pos)), QPoint(), QPoint(0, 120 * notches),
                      Qt::LeftButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_window->windowHandle(), &e);
    }
    // The button goes up where the pointer is; whether the drop was taken.
    bool drop()
    {
        qApp->removeEventFilter(this);
        QDropEvent e(QPointF(m_pos), m_actions, m_mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_window->windowHandle(), &e);
        return e.isAccepted();
    }
    QPoint position() const { return m_pos; }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Wheel; }

private:
    QWidget* m_window;
    const QMimeData* m_mime;
    Qt::DropActions m_actions;
    QPoint m_pos;
    bool m_entered = false;
};

} // namespace fixtures
