#pragma once

// A turn of the mouse wheel as the window system delivers it: to the window, which hands it to
// the widget under the pointer; Qt then gives the focus to a widget that takes it from the wheel,
// and offers the turn to the widget's parents while none accepts it. (A wheel event sent to a
// widget directly does neither.)

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>

namespace fixtures {

// `notches` turns (positive: up, away from the user) with the pointer at `at` in `over`.
inline void turnWheel(QWidget* over, QPoint at, int notches, Qt::Orientation orientation = Qt::Vertical)
{
    QWidget* window = over->window();
    const QPoint inWindow = over->mapTo(window, at);
    const int step = notches < 0 ? -120 : 120;
    for (int i = 0; i < std::abs(notches); ++i) {
        const QPoint angle = orientation == Qt::Vertical ? QPoint(0, step) : QPoint(step, 0);
        QWheelEvent e(QPointF(inWindow), QPointF(window->mapToGlobal(inWindow)), QPoint(), angle, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&e);
        qApp->notify(window->windowHandle(), &e);
    }
}

inline void turnWheel(QWidget* over, int notches) { turnWheel(over, over->rect().center(), notches); }

} // namespace fixtures
