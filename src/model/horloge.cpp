#include "model/horloge.h"

#include <QTimer>

#include <algorithm>
#include <memory>

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

void Horloge::aChaqueNouveauJour(QObject* receiver, std::function<void()> action) const
{
    auto* minuteur = new QTimer(receiver);
    minuteur->setSingleShot(true);
    const Horloge horloge = *this;
    auto jour = std::make_shared<QDate>(localDayOf(maintenant(), zone));
    auto armer = [minuteur, horloge] {
        // A second after the start of tomorrow; at most an hour, so that a clock put forward or
        // a machine woken up is noticed within the hour.
        const qint64 maintenant = horloge.maintenant();
        const QDate demain = localDayOf(maintenant, horloge.zone).addDays(1);
        const qint64 attente = startOfDayMs(demain, horloge.zone) - maintenant + 1000;
        minuteur->start(int(std::clamp<qint64>(attente, 1000, 3600 * 1000)));
    };
    QObject::connect(minuteur, &QTimer::timeout, receiver, [horloge, jour, armer, action = std::move(action)] {
        const QDate aujourdhui = localDayOf(horloge.maintenant(), horloge.zone);
        armer();
        if (aujourdhui == *jour)
            return;
        *jour = aujourdhui;
        action();
    });
    armer();
}

} // namespace kv
