#pragma once

// Which bookings of a skip already hold it on the days of a new one. Days are local calendar
// days: a skip removed on the day another placement starts is handed over that day (a rotation),
// not booked twice; two placements on one day are. A rental without removal date holds its skip
// from its placement on, with no end.

#include <QList>
#include <QTimeZone>

#include <optional>

namespace kv {

class Benne;
class LocationDeBenne;

// The live rentals of `benne` overlapping the days from `poseMs` to `enlevementMs` (none: from
// `poseMs` on, without end), earliest placement first. Only the skip's own rentals are read, and
// dates are compared as stored milliseconds.
QList<LocationDeBenne*> locationsChevauchantes(const Benne* benne, qint64 poseMs,
                                                const std::optional<qint64>& enlevementMs, const QTimeZone& zone);

} // namespace kv
