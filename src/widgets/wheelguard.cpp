#include "wheelguard.h"

#include "platform/mapwidget.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QVariant>
#include <QWheelEvent>
#include <QWindow>

namespace kv {

namespace {

// The widget the user last put the keyboard on with a click, Tab, Shift+Tab or its Alt letter,
// as long as it keeps the focus. The focus a screen or sheet gives by itself as it opens never
// arms a field, whatever reason it names (screens name Tab or a shortcut so that the focus
// shows): a focus counts as the user's only when it comes while the user's own input is
// handled, a press of the mouse for a click, of Tab for Tab, of an Alt letter for a shortcut.
QPointer<QWidget>& userFocus()
{
    static QPointer<QWidget> widget;
    return widget;
}

// The last input event of the user: a press (or override) of a key, a mouse press, or a release.
struct Input {
    QEvent::Type type = QEvent::None;
    int key = 0;
    Qt::KeyboardModifiers modifiers;
};
Input& lastInput()
{
    static Input input;
    return input;
}

void noteInput(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride: {
        const auto* key = static_cast<const QKeyEvent*>(event);
        lastInput() = {QEvent::KeyPress, key->key(), key->modifiers()};
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        lastInput() = {QEvent::MouseButtonPress, 0, {}};
        break;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
        lastInput() = {event->type(), 0, {}};
        break;
    default:
        break;
    }
}

bool putThereByTheUser(Qt::FocusReason reason)
{
    const Input& input = lastInput();
    switch (reason) {
    case Qt::MouseFocusReason:
        return input.type == QEvent::MouseButtonPress;
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
        return input.type == QEvent::KeyPress && (input.key == Qt::Key_Tab || input.key == Qt::Key_Backtab);
    case Qt::ShortcutFocusReason:
        return input.type == QEvent::KeyPress && (input.modifiers & Qt::AltModifier);
    default:
        return false;
    }
}

// Keeps userFocus() up to date with one focus event. A window coming back to the front, a popup
// or a menu closing give the focus back where it was: armed stays armed, and a field first
// focused that way (a sheet's first field as the sheet becomes active) stays unarmed.
void noteFocus(QWidget* widget, const QFocusEvent* event)
{
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason)
        return;
    userFocus() = putThereByTheUser(reason) ? widget : nullptr;
}

// Whether `widget` selects its whole text when the focus arrives for `reason`, as Qt's text
// fields, spin boxes and editable combo boxes do for Tab, Shift+Tab and shortcuts.
bool selectsAllOnArrival(const QWidget* widget, Qt::FocusReason reason)
{
    // A date field selects its first section also when its window first gives it the keys.
    if (qobject_cast<const QDateTimeEdit*>(widget) && reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason)
        return true;
    if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason && reason != Qt::ShortcutFocusReason)
        return false;
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->isEditable();
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget);
}

// The user's focus is on `widget` or on a part of it (the line edit of a spin box), and the
// user put it there.
bool hasFocusWithin(const QWidget* widget)
{
    const QWidget* focus = QApplication::focusWidget();
    if (!focus || (focus != widget && !widget->isAncestorOf(focus)))
        return false;
    const QWidget* armed = userFocus();
    return armed && (armed == focus || armed == widget || widget->isAncestorOf(armed));
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
    noteInput(event);
    // A click on the field that already has the focus (given by the screen) is the user's too.
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        QWidget* focus = QApplication::focusWidget();
        auto* pressed = static_cast<QWidget*>(watched);
        if (focus && (pressed == focus || focus->isAncestorOf(pressed)))
            userFocus() = focus;
    }
    if (event->type() == QEvent::FocusIn && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const auto* focus = static_cast<QFocusEvent*>(event);
        // A text given the keys as a screen or sheet opens shows its cursor without selecting
        // its text, so that no stray key replaces it; Tab pressed by the user still selects.
        if (selectsAllOnArrival(widget, focus->reason()) && !putThereByTheUser(focus->reason())) {
            // A date field selects a section for any other reason than a click or a popup's.
            QFocusEvent quiet(QEvent::FocusIn,
                              qobject_cast<QDateTimeEdit*>(widget) ? Qt::PopupFocusReason : Qt::OtherFocusReason);
            QCoreApplication::sendEvent(widget, &quiet);
            return true;
        }
        noteFocus(widget, focus);
        return false;
    }
    // A window shown again (a sheet opened anew) starts with nothing armed in it.
    if (event->type() == QEvent::Show && watched->isWidgetType() && userFocus()
        && static_cast<QWidget*>(watched)->isWindow() && static_cast<QWidget*>(watched)->isAncestorOf(userFocus()))
        userFocus() = nullptr;
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
