#pragma once

// Coordinate texts of the rental screens: how a typed latitude or longitude is read, and how a
// stored one is written back as text.

#include "model/plages.h"
#include "platform/adresseservice.h"

#include <QString>

#include <optional>

namespace kv {

// Reads the whole text as one C-locale floating-point number, as strtod does in the POSIX
// locale (optional sign, digits with an optional point, optional exponent, "inf", "nan",
// hexadecimal "0x…"). No blank is skipped: a blank before or after the number, an empty text or
// anything left over gives none. Independent of the process locale.
std::optional<double> lireDoubleC(const QString& texte);

// The coordinate of two texts read strictly (no comma, no blank), or none when either text is
// unreadable, not finite or out of range (|latitude| > 90, |longitude| > 180).
std::optional<Coordonnee> coordonneeSaisie(const QString& latitude, const QString& longitude);

// The values a typed latitude and longitude may take, in degrees.
inline constexpr Plage plageLatitude{-90, 90, "°"};
inline constexpr Plage plageLongitude{-180, 180, "°"};

// One coordinate text as the save reads it: every "," becomes "." first, then the strict
// reading. A value that is not finite or is beyond `limite` in absolute value counts as none.
std::optional<double> lireCoordonneeEnregistrement(const QString& texte, double limite);
// Whether the text reads as the save reads it, but as a number outside `plage` (or not finite):
// such a text is refused, never stored as no coordinate.
bool coordonneeHorsPlage(const QString& texte, const Plage& plage);

// The shortest text that reads back as the same number ("48.8566", "1e-05").
QString texteCourt(double valeur);

// "%.6f" in the C locale.
QString texteSixDecimales(double valeur);

} // namespace kv
