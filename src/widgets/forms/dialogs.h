#pragma once

// Questions and error messages shown over a screen. Both are window-modal and do not block:
// the call returns at once with the box, which deletes itself when closed. Tests answer them
// as a user would: find the QMessageBox among the window's children and click its button.

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>

class QMessageBox;
class QWidget;

namespace kv::forms {

// What a confirmation asks: a title and a message; a record told apart by its colour (a skip)
// shows that colour as the box's picture.
struct Question {
    QString title;
    QString message;
    QColor swatch = QColor();
};

// The question with the records it acts on named on a line of their own before its message,
// each as given (with what tells it from look-alikes), quoted by its beginning; a long selection
// names its first three and says how many more.
Question naming(Question question, const QStringList& names);

// Asks before an irreversible action. `onConfirm` runs only when the user chooses the
// confirming button (destructive look); the other button only closes the box.
QMessageBox* askConfirmation(QWidget* over, const QString& title, const QString& message,
                             const QString& confirmText, const QString& cancelText,
                             std::function<void()> onConfirm);

// The same, for a question (its swatch shown, when it has one).
QMessageBox* askConfirmation(QWidget* over, const Question& question, const QString& confirmText,
                             const QString& cancelText, std::function<void()> onConfirm);

// The question asked before an editor holding unsaved changes is left: « Enregistrer les
// modifications ? » with "Enregistrer", "Ne pas enregistrer" and "Annuler" (the default and
// Escape). "Enregistrer" runs `save`, then `proceed` when it returned true (a refused or failed
// save keeps the editor, its own message shown); "Ne pas enregistrer" runs `proceed` alone;
// "Annuler" runs nothing.
//
// Why the editor is left decides what Return answers: going elsewhere stores the work
// ("Enregistrer"); taking it back ("Annuler", Ctrl+Escape) drops it ("Ne pas enregistrer"), so
// that Return never stores what the user asked to drop.
enum class Leaving { elsewhere, takingBack };
QMessageBox* askToSaveChanges(QWidget* over, std::function<bool()> save, std::function<void()> proceed,
                              Leaving why = Leaving::elsewhere);

// True while the application quits without asking (the system asked it to end): editors keep
// what can be saved and drop the rest without a question.
bool quitsWithoutQuestions();

// Widens a message box so that its title shows whole in the title bar and its texts take one or
// two lines, not a narrow column (the box's own sizing knows nothing of the title).
void fitMessageBox(QMessageBox* box);

// Reports a failure.
QMessageBox* showError(QWidget* over, const QString& text);

// The fixed prefixes of failure messages.
inline QString saveFailedText(const QString& error)
{
    return QStringLiteral("Échec de la sauvegarde: ") + error;
}
inline QString deleteFailedText(const QString& error)
{
    return QStringLiteral("Échec de la suppression: ") + error;
}

} // namespace kv::forms
