#include "localisationmanager.h"

#include <QSettings>

namespace kv {

namespace {
const char* const kLatitudeKey = "userLatitude";
const char* const kLongitudeKey = "userLongitude";
} // namespace

LocalisationManager::LocalisationManager(QObject* parent) : QObject(parent)
{
    m_region.centre = positionStockee().value_or(kCentreParDefaut);
    m_region.spanLatitude = m_region.spanLongitude = 0.1;
}

void LocalisationManager::updateRegion(double latitude, double longitude)
{
    if (!coordonneeValide(latitude, longitude))
        return;
    m_region = RegionCarte{{latitude, longitude}, 0.01, 0.01};
    emit regionChanged(m_region);
    QSettings settings;
    settings.setValue(QLatin1String(kLatitudeKey), latitude);
    settings.setValue(QLatin1String(kLongitudeKey), longitude);
}

std::optional<Coordonnee> LocalisationManager::positionStockee()
{
    const QSettings settings;
    bool okLat = false;
    bool okLon = false;
    const double lat = settings.value(QLatin1String(kLatitudeKey), 0.0).toDouble(&okLat);
    const double lon = settings.value(QLatin1String(kLongitudeKey), 0.0).toDouble(&okLon);
    if (!okLat || !okLon || lat == 0.0 || lon == 0.0 || !coordonneeValide(lat, lon))
        return std::nullopt;
    return Coordonnee{lat, lon};
}

} // namespace kv
