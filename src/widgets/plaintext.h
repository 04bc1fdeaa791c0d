#pragma once

// Stored texts (names, addresses, notes) are shown as typed. A QLabel, a tool tip or a message
// box left to guess would read a name such as "Dubois <b>" as HTML and lose its "<b>"; these
// helpers never let it guess.

#include <QString>

class QLabel;
class QWidget;

namespace kv {

// Sets a label's text, shown literally.
void setPlainText(QLabel* label, const QString& text);
// A label showing `text` literally.
QLabel* plainLabel(const QString& text, QWidget* parent = nullptr);

// A tool tip text that shows `text` literally (tool tips, like labels, guess at HTML).
QString plainToolTip(const QString& text);
void setPlainToolTip(QWidget* widget, const QString& text);

// A typed text quoted in a message by its beginning: at most `longest` characters, the last
// one "…" when it is cut, a character and its marks kept whole, so that a message never grows
// with what was typed or pasted.
QString quotedBeginning(const QString& typed, int longest);

// What a label shows, as plain text: its text, or the text of its HTML when it is read as HTML.
QString shownText(const QLabel* label);
// The same for a tool tip.
QString shownToolTip(const QString& toolTip);

} // namespace kv
