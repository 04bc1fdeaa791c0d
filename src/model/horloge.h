#pragma once

// Where screens read "now" and the local calendar's time zone: the system's clock and zone, or
// fixed ones in tests.

#include "daywindow.h"

#include <QDateTime>
#include <QTimeZone>

#include <functional>

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
    // Today, on the local calendar.
    QDate aujourdhui() const { return localDayOf(maintenant(), zone); }
    // How long until the local day changes, in milliseconds (at least 1): screens that show
    // "today" move on then.
    qint64 msJusquAuJourSuivant() const;
};

} // namespace kv
