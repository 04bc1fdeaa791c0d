#pragma once

// What every dialog of the program does when it opens, whoever made it: the keyboard focus in
// its first field (or on its default button when it has no field), and for a message box, texts
// shown as typed in a box wide enough for its title. Installed once on the application, so a
// sheet, an alert or a confirmation made anywhere follows it.

class QDialog;
class QMessageBox;
class QWidget;

namespace kv {

// Installs the conventions on the running application; calling it again does nothing.
void installDialogConventions();

// The first field of a dialog in the order of its layouts (top to bottom, leading to trailing):
// an editable text, a number, a date or a choice that takes the keyboard. Null when none.
QWidget* firstField(QWidget* dialog);

// Gives the focus to the first field, else to the default button. Leaves a focus already in a
// field alone.
void focusFirstField(QDialog* dialog);

// Shows the box's texts literally (never read as HTML).
void makeTextsPlain(QMessageBox* box);

} // namespace kv
