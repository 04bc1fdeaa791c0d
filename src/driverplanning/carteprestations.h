#pragma once

// The places of a driver's day on a map: one place per site address, green where he places a
// skip, red where he removes one, purple where he does both (a rotation).

#include "model/daywindow.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace kv {

class Chauffeur;

enum class TypeCartePrestation { pose, enlevement, rotation };

// Green, red or purple.
QColor couleurMarqueur(TypeCartePrestation type);

struct CarteLieuPrestation {
    QUuid id;
    std::optional<double> latitude;
    std::optional<double> longitude;
    TypeCartePrestation type = TypeCartePrestation::pose;
    QString adresse;
    bool operator==(const CarteLieuPrestation&) const = default;
};

struct RegionCarte {
    double latitude = 0;      // centre
    double longitude = 0;
    double spanLatitude = 0;  // degrees shown from edge to edge
    double spanLongitude = 0;
    bool operator==(const RegionCarte&) const = default;
};

// Where a place without coordinates is drawn, and the region shown when no place has any.
inline constexpr double kLatitudeParDefaut = 48.85;
inline constexpr double kLongitudeParDefaut = 2.35;

// The driver's places of the day, grouped by address text in lower case (the rental's own
// address, else its client's); a later placement or removal at one address replaces an earlier
// one. Places come in the order their address was first met.
QList<CarteLieuPrestation> lieuxPrestations(const Chauffeur* chauffeur, const DayWindow& jour);

// The region holding every place that has both coordinates, with 15 % room and at least 0.02
// degrees each way; Paris at 0.15 degrees when none has.
RegionCarte regionCarte(const QList<CarteLieuPrestation>& lieux);

// Whether the driver places or removes a skip that day (decides whether his row shows a map).
bool aDesPrestationsLeJour(const Chauffeur* chauffeur, const DayWindow& jour);

} // namespace kv
