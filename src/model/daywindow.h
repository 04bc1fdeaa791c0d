#pragma once

// Local calendar days as stored milliseconds, for date predicates that compare numbers instead
// of building a QDateTime per record. The time zone is a parameter, so tests can fix it.

#include <QDate>
#include <QTime>
#include <QTimeZone>

namespace kv {

// A half-open interval [debut, fin) of milliseconds since the epoch.
struct DayWindow {
    qint64 debut = 0;
    qint64 fin = 0;
    bool contains(qint64 ms) const { return ms >= debut && ms < fin; }
    // The interval [start, end) of something else overlaps this window.
    bool overlaps(qint64 start, qint64 end) const { return start < fin && end > debut; }
    bool operator==(const DayWindow&) const = default;
};

// The first instant of a local day, in milliseconds (the first existing instant when midnight
// falls in a daylight-saving gap).
qint64 startOfDayMs(const QDate& day, const QTimeZone& zone);
// The local day holding an instant.
QDate localDayOf(qint64 ms, const QTimeZone& zone);
// The first instant of the local day holding an instant.
qint64 startOfDayMs(qint64 ms, const QTimeZone& zone);

// The instant of a local date and time of day. A time that the clocks skip (inside a
// daylight-saving gap) moves forward by the gap's length: 02:30 on a night that jumps from 02:00
// to 03:00 gives 03:30. A time met twice (when clocks go back) gives one of its two instants.
qint64 localInstantMs(const QDate& day, const QTime& time, const QTimeZone& zone);
// The same local time of day `days` calendar days later (or earlier), resolved as above.
qint64 addLocalDaysMs(qint64 ms, int days, const QTimeZone& zone);

// From the start of `first` to the start of the day `days` days later (one day when 1).
DayWindow dayWindow(const QDate& first, int days, const QTimeZone& zone);
// The local day holding an instant.
DayWindow dayWindowOf(qint64 ms, const QTimeZone& zone);

} // namespace kv
