#pragma once

// The card shown where a screen cannot work yet for want of records: a yellow warning sign,
// "Configuration nécessaire", a rich text naming what to create, and an optional button.

#include <QString>

class QWidget;

namespace kv {

// The card, at most 420 points wide; `bouton` (may be null) goes under the text.
QWidget* carteConfiguration(const QString& texteRiche, QWidget* bouton, QWidget* parent);

} // namespace kv
