#pragma once

// A colour named in words, as a person says it over the phone: « marron », « bleu marine »,
// « gris clair ». Skips have no number: their colour is what tells them apart, so a question
// or a spoken row names it rather than showing its code.

#include <QColor>
#include <QString>

namespace kv {

// The everyday French name of a colour (masculine, lower case); empty for an invalid colour.
QString nomCouleur(const QColor& couleur);

} // namespace kv
