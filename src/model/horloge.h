#pragma once

// Where screens read "now" and the local calendar's time zone: the system's clock and zone, or
// fixed ones in tests.

#include "daywindow.h"

#include <QDateTime>
#include <QTimeZone>

#include <functional>

class QObject;

namespace kv {

struct Horloge {
    std::function<qint64()> maintenantMs;
    QTimeZone zone;

    // The machine's clock and time zone.
    static Horloge systeme();
    // A clock stopped at one instant, in `zone`.
    static Horloge fixe(qint64 maintenantMs, const QTimeZone& zone);
    static Horloge fixe(const QDateTime& maintenant, const QTimeZone& zone);

    // The current instant in milliseconds since the epoch.
    qint64 maintenant() const { return maintenantMs ? maintenantMs() : QDateTime::currentMSecsSinceEpoch(); }
    // The current instant in the clock's time zone.
    QDateTime maintenantLocal() const { return QDateTime::fromMSecsSinceEpoch(maintenant(), zone); }
    // Start of the current local day.
    QDateTime debutAujourdhui() const;
    // The local day holding an instant.
    DayWindow jourDe(qint64 ms) const { return dayWindowOf(ms, zone); }
    DayWindow jourDe(const QDateTime& instant) const { return jourDe(instant.toMSecsSinceEpoch()); }

    // The move to the next day: calls `action` shortly after each local midnight, as long as
    // `receiver` lives, so that screens showing "today" move on by themselves. The clock is read
    // again at every turn: a timer that fires late (a machine asleep) or early still finds the
    // day it is, and `action` runs once per new day.
    void aChaqueNouveauJour(QObject* receiver, std::function<void()> action) const;
};

} // namespace kv
