#include "journee.h"

#include <QDateTime>

namespace kv {

QDate dateDans(qint64 ms, const QTimeZone& fuseau)
{
    return QDateTime::fromMSecsSinceEpoch(ms, fuseau).date();
}

Journee Journee::du(const QDate& jour, const QTimeZone& fuseau)
{
    // startOfDay() copes with zones where midnight is skipped on the day clocks change.
    return Journee{jour.startOfDay(fuseau).toMSecsSinceEpoch(),
                   jour.addDays(1).startOfDay(fuseau).toMSecsSinceEpoch()};
}

Journee Journee::de(qint64 ms, const QTimeZone& fuseau)
{
    return du(dateDans(ms, fuseau), fuseau);
}

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
    return dateDans(maintenantMs(), fuseauAppareil).startOfDay(fuseauAppareil);
}

} // namespace kv
