#pragma once

#include "model/helpers.h"

#include <QColor>
#include <QList>
#include <QString>

#include <optional>

class QPalette;
class QWidget;

namespace kv {

// The colour of a stored colour text, or none when the text is not a colour.
std::optional<QColor> colorFromHex(const QString& texte);
// The colour of a stored colour text, or `fallback`.
QColor colorFromHex(const QString& texte, const QColor& fallback);
// "RRGGBB" for a colour.
QString toHex(const QColor& color);

// Black or white, whichever contrasts more with text drawn on `background` (a colour the user
// chose): at least 4.5:1 whatever the colour. A translucent background is taken as it shows
// over `backdrop`.
QColor textColorOn(const QColor& background, const QColor& backdrop = Qt::white);
// `preferred` (a tint of the user's colour, say) where it reads at 4.5:1 or better on
// `background`, else black or white as textColorOn() chooses.
QColor readableTextOn(const QColor& preferred, const QColor& background, const QColor& backdrop = Qt::white);
// `hue` where it reads at `ratio` on `background` (4.5:1 for text, 3:1 for marks); else taken
// towards black or white, whichever reads there, just far enough: a desktop's accent, a warning
// red or a grid line keeps its look wherever the palette lets it.
QColor inkReadableOn(const QColor& hue, const QColor& background, double ratio = 4.5);

// `text` dimmed to `opacity` of its strength, or less dimmed where that would not read at 4.5:1
// on one of the backgrounds of `palette` (window, field, alternate rows, button) on which the
// full colour reads: a dark palette's lighter boxes keep their secondary texts readable.
QColor dimmedText(const QColor& text, qreal opacity, const QPalette& palette);
// Dims a widget's text to `opacity` of its palette's colour (as dimmedText() allows): the
// secondary texts of a screen (help lines, empty states).
void setSecondaryText(QWidget* widget, qreal opacity = 0.7);

// `hue` where it reaches `ratio` against every one of `backgrounds`, else taken towards the
// black or white that reads on the first of them, just far enough (or all the way).
QColor inkOnAll(const QColor& hue, const QList<QColor>& backgrounds, double ratio);
// What shows where a control is (a field's frame, a check box's square): a grey that stands out
// at 3:1 from the palette's window, fields, alternate rows and buttons.
QColor edgeColour(const QPalette& palette);
// The focus frame's colour on the palette's plain surfaces: the selection colour, taken towards
// black or white until it stands out from window, fields, alternate rows and buttons.
QColor focusColour(const QPalette& palette);
// `palette` with each text colour reading at 4.5:1 on the surface it is written on, in every
// group, the disabled one and placeholders included (dimmer than the active texts still): a
// desktop's colour scheme may leave greyed labels, placeholders or alternate rows unreadable.
// An alternate rows' colour that would lose the text is taken towards the fields' colour.
QPalette readablePalette(const QPalette& palette);

QColor toQColor(const CouleurRVB& c);
CouleurRVB toCouleurRVB(const QColor& color);

} // namespace kv
