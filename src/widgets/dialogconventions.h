#pragma once

// What every dialog of the program does when it opens, whoever made it: the keyboard focus in
// its first field (or on its default button when it has no field), every push button an Alt
// letter, and for a message box, texts shown as typed in a box wide enough for its title; in any
// window, Return presses the focused push button, as Space does. Every dialog is as wide as its
// title needs and stays within its screen as it grows; one question at a time stands over a
// window (a second one asked meanwhile is refused, never kept behind to appear later).
// Installed once on the application, so a sheet, an alert or a confirmation made anywhere
// follows it.

#include <Qt>

class QDialog;
class QMenu;
class QMessageBox;
class QWidget;

namespace kv {

// Installs the conventions on the running application; calling it again does nothing.
void installDialogConventions();

// The first field of a dialog in the order of its layouts (top to bottom, leading to trailing):
// an editable text, a number, a date or a choice that takes the keyboard. Null when none.
QWidget* firstField(QWidget* dialog);

// Gives the keyboard to `w` as a screen, pane or sheet opens: its focus drawn as after a Tab,
// but its text not selected, the cursor at its end, so that a stray key adds to the value
// instead of replacing it (Tab into a field still selects, as desktop fields do).
void giveKeysUnselected(QWidget* w, Qt::FocusReason reason = Qt::TabFocusReason);

// Gives the focus to the first field, else to the default button. Leaves a focus already in a
// field alone.
void focusFirstField(QDialog* dialog);

// Shows the box's texts literally (never read as HTML).
void makeTextsPlain(QMessageBox* box);

// Gives every push button of `window` that has a text but no Alt letter one, unique within the
// window: the first free letter that starts a word of its text, else any free letter of it (plain
// letters and digits only, so that every keyboard can type it). Letters already taken by a
// button, a check box or a label of the window are kept and avoided. Alt+letter presses the
// button; the text shown stays the same, its letter underlined. Calling it again does nothing
// to buttons that have their letter.
void giveAltLetters(QWidget* window);

// The same for the items of a menu: each item without an underlined letter gets one, unique
// within the menu, so that the letter chooses it while the menu is open.
void giveMenuLetters(QMenu* menu);

} // namespace kv
