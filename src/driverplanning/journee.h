#pragma once

// Calendar days as windows of stored milliseconds, so that the planning compares instants with
// two numbers instead of building a local date per rental.

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

#include <functional>

namespace kv {

// One calendar day of a time zone: [debutMs, finMs), 23 or 25 hours long on the days clocks
// change.
struct Journee {
    qint64 debutMs = 0;
    qint64 finMs = 0;

    bool contient(qint64 ms) const { return ms >= debutMs && ms < finMs; }
    // The day that holds the instant `ms` in `fuseau`.
    static Journee de(qint64 ms, const QTimeZone& fuseau);
    static Journee de(const QDateTime& instant, const QTimeZone& fuseau)
    {
        return de(instant.toMSecsSinceEpoch(), fuseau);
    }
    // The calendar day `jour` of `fuseau`.
    static Journee du(const QDate& jour, const QTimeZone& fuseau);
};

// The calendar date of an instant in a time zone.
QDate dateDans(qint64 ms, const QTimeZone& fuseau);

// What the planning screens need of the outside world: the current instant and the device's
// time zone. Tests fix both.
struct Horloge {
    std::function<qint64()> maintenantMs;
    QTimeZone fuseauAppareil;

    // The machine's clock and time zone.
    static Horloge systeme();
    // A clock stopped at `maintenant`, in `fuseau`.
    static Horloge fixe(const QDateTime& maintenant, const QTimeZone& fuseau);

    QDateTime maintenant() const { return QDateTime::fromMSecsSinceEpoch(maintenantMs(), fuseauAppareil); }
    // Start of the current day in the device's time zone.
    QDateTime debutAujourdhui() const;
};

} // namespace kv
