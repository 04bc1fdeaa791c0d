#pragma once

// Look shared by the list screens and their editors: text styles, tones, symbols, colours
// read from and written to their stored hexadecimal text, and the field label of form rows.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QLabel>

#include <optional>

namespace kv::forms {

// Text styles, relative to the widget's font.
enum class TextStyle { Body, Headline, Callout, Subheadline, Caption, Title3 };
QFont fontFor(TextStyle style, const QFont& base);

// Text tones: the palette's text colour at decreasing strengths.
enum class Tone { Primary, Secondary, Tertiary, Quaternary };
QColor toneColor(Tone tone, const QColor& text);

// The icon of a symbol name ("plus", "trash", "person.2", ...). Empty when nothing fits.
QIcon symbolIcon(const QString& name);

// A stored colour text read as a colour; none when the text is not a valid colour.
std::optional<QColor> colorFromHex(const QString& text);
// A colour as six upper-case hexadecimal digits without "#" ("000000" for an invalid colour).
QString hexFromColor(const QColor& color);

// Default colours of new records.
QColor standardGreen();
QColor standardGrey();

// The label that starts a form row: secondary colour, fixed width, aligned to the trailing edge.
QLabel* makeFieldLabel(const QString& text, int width = 120, QWidget* parent = nullptr);

} // namespace kv::forms
