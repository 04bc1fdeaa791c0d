#include "horloge.h"

namespace kv {

Horloge Horloge::systeme()
{
    return Horloge{[] { return QDateTime::currentMSecsSinceEpoch(); }, QTimeZone::systemTimeZone()};
}

Horloge Horloge::fixe(const QDateTime& maintenant, const QTimeZone& fuseau)
{
    const qint64 ms = maintenant.toMSecsSinceEpoch();
    return Horloge{[ms] { return ms; }, fuseau};
}

QDateTime Horloge::debutAujourdhui() const
{
    return QDateTime::fromMSecsSinceEpoch(startOfDayMs(maintenantMs(), fuseauAppareil), fuseauAppareil);
}

} // namespace kv
