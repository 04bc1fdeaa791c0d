#pragma once

class QWidget;

namespace kv {

// Takes the keyboard focus away from whatever widget inside `root` holds it.
//
// A widget that loses the focus may still emit signals (a number field commits its text, a line
// edit reports the end of an edit). When a screen is destroyed, Qt clears the focus only once the
// screen's own destructor has run, so such a signal would reach a half-destroyed screen. Screens
// and editors call this first thing in their destructor, while every member is still alive.
void releaseFocusWithin(QWidget* root);

} // namespace kv
