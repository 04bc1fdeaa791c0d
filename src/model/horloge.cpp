#include "model/horloge.h"

#include <algorithm>

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

qint64 Horloge::msJusquAuJourSuivant() const
{
    const qint64 ms = maintenant();
    return std::max<qint64>(dayWindowOf(ms, zone).fin - ms, 1);
}

} // namespace kv
