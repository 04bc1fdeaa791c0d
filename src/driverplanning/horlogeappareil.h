#pragma once

// What the planning screens need of the outside world: the current instant and the device's time
// zone. Tests fix both.

#include "model/daywindow.h"

#include <QDateTime>
#include <QTimeZone>

#include <functional>

namespace kv {

struct HorlogeAppareil {
    std::function<qint64()> maintenantMs;
    QTimeZone fuseauAppareil;

    // The machine's clock and time zone.
    static HorlogeAppareil systeme();
    // A clock stopped at `maintenant`, in `fuseau`.
    static HorlogeAppareil fixe(const QDateTime& maintenant, const QTimeZone& fuseau);

    QDateTime maintenant() const { return QDateTime::fromMSecsSinceEpoch(maintenantMs(), fuseauAppareil); }
    // Start of the current day in the device's time zone.
    QDateTime debutAujourdhui() const;
    // The device's day holding `instant`.
    DayWindow jourDe(const QDateTime& instant) const { return dayWindowOf(instant.toMSecsSinceEpoch(), fuseauAppareil); }
};

} // namespace kv
