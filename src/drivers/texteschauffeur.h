#pragma once

// Texts of the drivers' screens: the trimming rules of the names typed, the distance label, the
// lines of a training and of an availability period.

#include <QDateTime>
#include <QString>

#include <optional>

namespace kv {

// Spaces (every space separator) and tabs removed from both ends; line ends are kept.
QString sansEspacesNiTabulations(const QString& texte);
// White space and line ends removed from both ends.
QString sansBlancs(const QString& texte);

// "45 km": the distance without its fraction. A distance that is not finite or lies beyond the
// 64-bit range reads "— km" instead of a wrong number.
QString texteDistance(double km);

// The date in the abbreviated style of the current locale, without time ("7 déc. 2026").
QString dateAbregee(const QDateTime& date);
// "Expiration : " and the abbreviated date.
QString texteExpiration(const QDateTime& dateExpiration);
// "Disponible" or "Indisponible".
QString texteDisponible(bool disponible);
// "Du <début> au <fin>", or "Du <début> sans fin" for an open-ended period.
QString textePeriode(const QDateTime& debut, const std::optional<QDateTime>& fin);

} // namespace kv
