#include "model/horloge.h"

namespace kv {

Horloge Horloge::systeme()
{
    return Horloge{[] { return QDateTime::currentMSecsSinceEpoch(); }, QTimeZone::systemTimeZone()};
}

Horloge Horloge::fixe(qint64 maintenantMs, const QTimeZone& zone)
{
    return Horloge{[maintenantMs] { return maintenantMs; }, zone};
}

Horloge Horloge::fixe(const QDateTime& maintenant, const QTimeZone& zone)
{
    return fixe(maintenant.toMSecsSinceEpoch(), zone);
}

QDateTime Horloge::debutAujourdhui() const
{
    return QDateTime::fromMSecsSinceEpoch(startOfDayMs(maintenant(), zone), zone);
}

} // namespace kv
