#include "horlogeappareil.h"

namespace kv {

HorlogeAppareil HorlogeAppareil::systeme()
{
    return HorlogeAppareil{[] { return QDateTime::currentMSecsSinceEpoch(); }, QTimeZone::systemTimeZone()};
}

HorlogeAppareil HorlogeAppareil::fixe(const QDateTime& maintenant, const QTimeZone& fuseau)
{
    const qint64 ms = maintenant.toMSecsSinceEpoch();
    return HorlogeAppareil{[ms] { return ms; }, fuseau};
}

QDateTime HorlogeAppareil::debutAujourdhui() const
{
    return QDateTime::fromMSecsSinceEpoch(startOfDayMs(maintenantMs(), fuseauAppareil), fuseauAppareil);
}

} // namespace kv
