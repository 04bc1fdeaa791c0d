#pragma once

// One-line fields hold one line: line ends and tabs, typed or pasted, become single spaces
// before anything reads the field's text.

#include <QString>
#include <QValidator>

class QLineEdit;

namespace kv::forms {

// The text with each run of line ends and tabs turned into one space.
QString singleLine(const QString& text);

// Rewrites what is typed or pasted into a field with singleLine(); it refuses nothing.
class SingleLineValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Gives a field a SingleLineValidator unless it has a validator of its own (a number's, a
// date's), and returns it.
QLineEdit* keepOnOneLine(QLineEdit* field);

// A text the program puts in a field where the keys are not shows its beginning, however narrow
// the field (« Centre de tri Calu… », not « …re-et-Cuire »); what the user types stays where the
// cursor is. Done once per field: calling it again does nothing.
void showStartWhileIdle(QLineEdit* field);

} // namespace kv::forms
