#include "daywindow.h"

#include <QDateTime>

namespace kv {

qint64 startOfDayMs(const QDate& day, const QTimeZone& zone)
{
    return day.startOfDay(zone).toMSecsSinceEpoch();
}

QDate localDayOf(qint64 ms, const QTimeZone& zone)
{
    return QDateTime::fromMSecsSinceEpoch(ms, zone).date();
}

qint64 startOfDayMs(qint64 ms, const QTimeZone& zone)
{
    return startOfDayMs(localDayOf(ms, zone), zone);
}

qint64 localInstantMs(const QDate& day, const QTime& time, const QTimeZone& zone)
{
    const QDateTime exact(day, time, zone);
    if (exact.isValid())
        return exact.toMSecsSinceEpoch();
    // In a gap: read the wall-clock time with the offset in force just before the jump.
    const qint64 commeUtc = QDateTime(day, time, QTimeZone::utc()).toMSecsSinceEpoch();
    constexpr qint64 unJour = 24 * 3600 * 1000;
    const int offsetAvant = zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(commeUtc - unJour, QTimeZone::utc()));
    return commeUtc - qint64(offsetAvant) * 1000;
}

qint64 addLocalDaysMs(qint64 ms, int days, const QTimeZone& zone)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms, zone);
    return localInstantMs(local.date().addDays(days), local.time(), zone);
}

DayWindow dayWindow(const QDate& first, int days, const QTimeZone& zone)
{
    return {startOfDayMs(first, zone), startOfDayMs(first.addDays(days), zone)};
}

DayWindow dayWindowOf(qint64 ms, const QTimeZone& zone)
{
    return dayWindow(localDayOf(ms, zone), 1, zone);
}

} // namespace kv
