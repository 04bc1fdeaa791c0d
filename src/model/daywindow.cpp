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

DayWindow dayWindow(const QDate& first, int days, const QTimeZone& zone)
{
    return {startOfDayMs(first, zone), startOfDayMs(first.addDays(days), zone)};
}

DayWindow dayWindowOf(qint64 ms, const QTimeZone& zone)
{
    return dayWindow(localDayOf(ms, zone), 1, zone);
}

} // namespace kv
