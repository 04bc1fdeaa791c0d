#pragma once

// The map region of the new-rental form and the keeper of the user's last position, stored in
// the settings under "userLatitude" and "userLongitude".

#include "platform/adresseservice.h"

#include <QObject>

#include <optional>

namespace kv {

// A map region: its centre and its span, in degrees.
struct RegionCarte {
    Coordonnee centre;
    double spanLatitude = 0;
    double spanLongitude = 0;
    bool operator==(const RegionCarte&) const = default;
};

// Where the maps stand when no position is known.
inline constexpr Coordonnee kCentreParDefaut{46.6, 2.2};

class LocalisationManager : public QObject {
    Q_OBJECT
public:
    // Starts on the stored position, or the default centre, with a span of 0.1°.
    explicit LocalisationManager(QObject* parent = nullptr);

    const RegionCarte& region() const { return m_region; }

    // Centres the region on this point (span 0.01°) and stores it as the user's position.
    // A point that is not finite or lies out of range changes nothing and is not stored.
    void updateRegion(double latitude, double longitude);

    // The stored position: only when both values are finite, in range and not 0.
    static std::optional<Coordonnee> positionStockee();

signals:
    void regionChanged(const kv::RegionCarte& region);

private:
    RegionCarte m_region;
};

} // namespace kv
