#pragma once

// Look shared by the list screens and their editors: text styles, tones, default colours and
// the field label of form rows. Symbols and colour texts come from widgets/icons.h and
// widgets/colors.h.

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>

#include "widgets/colors.h"
#include "widgets/icons.h"

#include <optional>

class QAbstractScrollArea;
class QStyleOptionViewItem;

namespace kv::forms {

// Text styles, relative to the widget's font.
enum class TextStyle { Body, Headline, Callout, Subheadline, Caption, Title3 };
QFont fontFor(TextStyle style, const QFont& base);

// Text tones: the palette's text colour at decreasing strengths; the text tones never so weak
// that they stop reading on the application palette's backgrounds.
enum class Tone { Primary, Secondary, Tertiary, Quaternary };
QColor toneColor(Tone tone, const QColor& text);

// Contrast ratio of two opaque colours, as accessibility guidelines measure it: 1 to 21.
double contrastRatio(const QColor& a, const QColor& b);

// The red of destructive actions and refusals, as text on `background`: the usual red where it
// reads at 4.5:1, else a lighter one (on a dark background) or a darker one until it does.
QColor dangerTextColor(const QColor& background);

// The colour of a row's text in a tone. On a selected row every tone takes the selection's text
// colour: dimmed text on the selection colour cannot be read.
QColor rowTextColor(const QPalette& palette, bool selected, Tone tone);

// The outline of a mark painted in a colour the user chose (a colour dot, a swatch) on
// `background`: the colour itself where it stands out at 3:1, else taken towards black or white
// just far enough (inkReadableOn), so that a brown dot reads on a dark row as a yellow one does
// on a light row.
QColor markOutline(const QColor& fill, const QColor& background);
// What a list row of `option` is drawn on: the selection, the alternate rows' colour or the base.
QColor rowBackground(const QStyleOptionViewItem& option);

// Makes the selection colour of `view` dark (or light) enough for its text to read at 4.5:1 at
// least, keeping its hue.
void makeSelectionReadable(QWidget* view);

// Default colours of new records.
QColor standardGreen();
QColor standardGrey();

// A multi-line field's border, drawn whole at any scale (a framed scroll area loses edges
// under its page at fractional scales).
void setFieldBorder(QAbstractScrollArea* field);

// The label that starts a form row: secondary colour, fixed width, aligned to the trailing edge.
QLabel* makeFieldLabel(const QString& text, int width = 120, QWidget* parent = nullptr);

} // namespace kv::forms
