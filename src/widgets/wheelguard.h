#pragma once

// The mouse wheel scrolls the view it is in. A field that changes its value on the wheel (a
// slider, a spin box or date field, a combo box or picker) takes the wheel only once the user
// has put the keyboard there (a click, Tab, Shift+Tab, its shortcut letter); the focus a screen
// or sheet gives a field by itself as it opens does not count. Until then a wheel over it goes on to the scroll
// area around it, as if the field were not there, and its value stays. A map embedded in a view
// that scrolls is kept from zooming the same way; a map that fills its screen keeps its wheel.
// Scroll bars, lists, canvases and open popups keep theirs.
//
// Qt gives the focus to a combo box or spin box that the wheel merely passes over (their
// Qt::WheelFocus policy); the guard turns that policy into Qt::StrongFocus before the wheel
// reaches them, so that passing over a field never focuses it either.
//
// The same filter keeps a text given the keys as a screen or sheet opens from selecting its whole
// text (as Qt does for Tab): its cursor shows at its end, so that one stray key replaces nothing.
// Tab, Shift+Tab or an Alt letter pressed by the user still select it.
//
// One application-wide event filter does this for every window, dialog and sheet, present and
// future. A widget can state its own case with the dynamic property kWheelNeedsFocus: true for
// a custom widget whose wheel changes a value, false for one that must keep its wheel.

#include <QObject>

class QApplication;
class QWheelEvent;
class QWidget;

namespace kv {

inline constexpr char kWheelNeedsFocus[] = "kvWheelNeedsFocus";

class WheelGuard : public QObject {
    Q_OBJECT
public:
    explicit WheelGuard(QObject* parent = nullptr);

    // Whether a wheel turn over `widget` must wait for the user to focus it (whatever its focus now).
    static bool needsFocus(const QWidget* widget);
    // Whether `widget` would take a wheel turn now: it needs no focus, or it has it.
    static bool takesWheel(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keepFocusFromWheel(QObject* window, const QWheelEvent* event);
};

// Installs the guard on the application once (a second call does nothing); it lives as long as
// the application.
void installWheelGuard(QApplication* app);
// Takes it off again (tests compare with and without it).
void removeWheelGuard(QApplication* app);

} // namespace kv
