#include "carteprestations.h"

#include "prestationscolumn.h"

#include "model/records.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace kv {

QColor couleurMarqueur(TypeCartePrestation type)
{
    switch (type) {
    case TypeCartePrestation::pose:
        return QColor(52, 199, 89);
    case TypeCartePrestation::enlevement:
        return QColor(255, 59, 48);
    case TypeCartePrestation::rotation:
        return QColor(175, 82, 222);
    }
    return QColor(Qt::gray);
}

namespace {

QString texteAdresse(const LocationDeBenne* l)
{
    if (l->adresse())
        return *l->adresse();
    return l->client() ? l->client()->adresse() : QString();
}

CarteLieuPrestation lieu(const LocationDeBenne* l, TypeCartePrestation type)
{
    return CarteLieuPrestation{QUuid::createUuid(), l->latitude(), l->longitude(), type, texteAdresse(l)};
}

} // namespace

QList<CarteLieuPrestation> lieuxPrestations(const Chauffeur* chauffeur, const DayWindow& jour)
{
    struct Cases {
        std::optional<CarteLieuPrestation> pose;
        std::optional<CarteLieuPrestation> enlevement;
    };
    QList<QString> ordre;
    QHash<QString, Cases> table;
    auto ranger = [&](const LocationDeBenne* l, TypeCartePrestation type) {
        const CarteLieuPrestation p = lieu(l, type);
        const QString cle = p.adresse.toLower();
        auto it = table.find(cle);
        if (it == table.end()) {
            ordre.append(cle);
            it = table.insert(cle, Cases{});
        }
        (type == TypeCartePrestation::pose ? it->pose : it->enlevement) = p;
    };
    if (!chauffeur)
        return {};
    for (const LocationDeBenne* l : chauffeur->posesAssurees())
        if (memeJourPose(l, jour))
            ranger(l, TypeCartePrestation::pose);
    for (const LocationDeBenne* l : chauffeur->enlevementsAssures())
        if (memeJourEnlevement(l, jour))
            ranger(l, TypeCartePrestation::enlevement);

    QList<CarteLieuPrestation> lieux;
    lieux.reserve(ordre.size());
    for (const QString& cle : std::as_const(ordre)) {
        const Cases& c = table[cle];
        if (c.pose && c.enlevement) {
            CarteLieuPrestation rotation = *c.pose;
            rotation.type = TypeCartePrestation::rotation;
            lieux.append(rotation);
        } else {
            lieux.append(c.pose ? *c.pose : *c.enlevement);
        }
    }
    return lieux;
}

RegionCarte regionCarte(const QList<CarteLieuPrestation>& lieux)
{
    double minLat = 0, maxLat = 0, minLon = 0, maxLon = 0;
    bool un = false;
    for (const CarteLieuPrestation& p : lieux) {
        // A coordinate that is not a finite number counts as none.
        if (!p.latitude || !p.longitude || !std::isfinite(*p.latitude) || !std::isfinite(*p.longitude))
            continue;
        const double lat = *p.latitude, lon = *p.longitude;
        if (!un) {
            minLat = maxLat = lat;
            minLon = maxLon = lon;
            un = true;
        } else {
            minLat = std::min(minLat, lat);
            maxLat = std::max(maxLat, lat);
            minLon = std::min(minLon, lon);
            maxLon = std::max(maxLon, lon);
        }
    }
    if (!un)
        return RegionCarte{kLatitudeParDefaut, kLongitudeParDefaut, 0.15, 0.15};
    return RegionCarte{(minLat + maxLat) * 0.5, (minLon + maxLon) * 0.5,
                       std::max((maxLat - minLat) * 1.15, 0.02), std::max((maxLon - minLon) * 1.15, 0.02)};
}

bool aDesPrestationsLeJour(const Chauffeur* chauffeur, const DayWindow& jour)
{
    if (!chauffeur)
        return false;
    for (const LocationDeBenne* l : chauffeur->posesAssurees())
        if (memeJourPose(l, jour))
            return true;
    for (const LocationDeBenne* l : chauffeur->enlevementsAssures())
        if (memeJourEnlevement(l, jour))
            return true;
    return false;
}

} // namespace kv
