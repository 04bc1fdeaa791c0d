#pragma once

// Questions and error messages shown over a screen. Both are window-modal and do not block:
// the call returns at once with the box, which deletes itself when closed. Tests answer them
// as a user would: find the QMessageBox among the window's children and click its button.

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace kv::forms {

// What a confirmation asks: a title and a message.
struct Question {
    QString title;
    QString message;
};

// Asks before an irreversible action. `onConfirm` runs only when the user chooses the
// confirming button (destructive look); the other button only closes the box.
QMessageBox* askConfirmation(QWidget* over, const QString& title, const QString& message,
                             const QString& confirmText, const QString& cancelText,
                             std::function<void()> onConfirm);

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
