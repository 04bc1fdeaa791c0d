#include "wheelguard.h"

#include "platform/mapwidget.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QScrollBar>
#include <QVariant>
#include <QWheelEvent>
#include <QWindow>

namespace kv {

namespace {

// The user's focus is on `widget` or on a part of it (the line edit of a spin box).
bool hasFocusWithin(const QWidget* widget)
{
    if (widget->hasFocus())
        return true;
    const QWidget* focus = QApplication::focusWidget();
    return focus && widget->isAncestorOf(focus);
}

// Whether `widget` sits in the content of a scroll area that has something to scroll.
bool inScrollingView(const QWidget* widget)
{
    for (const QWidget* p = widget->parentWidget(); p && !p->isWindow(); p = p->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(p);
        if (!area || !area->viewport()->isAncestorOf(widget))
            continue;
        const QScrollBar* down = area->verticalScrollBar();
        const QScrollBar* across = area->horizontalScrollBar();
        if (down->maximum() > down->minimum() || across->maximum() > across->minimum())
            return true;
    }
    return false;
}

} // namespace

WheelGuard::WheelGuard(QObject* parent) : QObject(parent)
{
}

bool WheelGuard::needsFocus(const QWidget* widget)
{
    if (const QVariant own = widget->property(kWheelNeedsFocus); own.isValid())
        return own.toBool();
    // An open list or calendar is what the user is looking at.
    if (widget->window()->windowType() == Qt::Popup)
        return false;
    if (qobject_cast<const QScrollBar*>(widget))
        return false;
    if (qobject_cast<const QAbstractSlider*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget)
        || qobject_cast<const QComboBox*>(widget))
        return true;
    // A map zooms on the wheel; within a view that scrolls, the wheel is the view's.
    if (qobject_cast<const MapWidget*>(widget))
        return inScrollingView(widget);
    return false;
}

bool WheelGuard::takesWheel(const QWidget* widget)
{
    return !needsFocus(widget) || hasFocusWithin(widget);
}

void WheelGuard::keepFocusFromWheel(QObject* window, const QWheelEvent* event)
{
    // Qt hands the focus to the first widget under the pointer, from the innermost outwards,
    // whose policy takes it from the wheel: a field waiting for the user's focus loses that policy
    // before the window passes the turn on.
    if (QApplication::activePopupWidget())
        return;
    QWidget* top = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowHandle() == window) {
            top = w;
            break;
        }
    if (!top)
        return;
    QWidget* under = top->childAt(event->position().toPoint());
    for (QWidget* w = under; w && w != top; w = w->parentWidget()) {
        if (w->focusPolicy() == Qt::WheelFocus && needsFocus(w) && !hasFocusWithin(w))
            w->setFocusPolicy(Qt::StrongFocus);
        if (w->isWindow())
            break;
    }
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return false;
    if (!watched->isWidgetType()) {
        if (watched->isWindowType() && event->spontaneous())
            keepFocusFromWheel(watched, static_cast<QWheelEvent*>(event));
        return false;
    }
    if (takesWheel(static_cast<QWidget*>(watched)))
        return false;
    // Handled but not accepted: Qt offers the turn to the widget's parents, up to the scroll area
    // whose viewport holds it, which scrolls (and, at its end, lets an outer one scroll).
    event->ignore();
    return true;
}

void installWheelGuard(QApplication* app)
{
    if (app->findChild<WheelGuard*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    app->installEventFilter(new WheelGuard(app));
}

void removeWheelGuard(QApplication* app)
{
    delete app->findChild<WheelGuard*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace kv
